// Records of the calls the plugin makes into the simulated unit, and their waits.
#include <host/simulation.h>

#include <platform/kernel.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace host {

namespace {

struct Records {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Call> calls;
    std::map<Op, int> results;
    std::function<void()> unloadHandler;
};

Records& records() {
    static Records r;
    return r;
}

}  // namespace

const char* opName(Op op) {
    switch (op) {
        case Op::ResultOfCheckCompatibility:
            return "ResultOfCheckCompatibility";
        case Op::ResultOfCheckMedia:
            return "ResultOfCheckMedia";
        case Op::ResultOfUpgrade:
            return "ResultOfUpgrade";
        case Op::ProgressBar:
            return "ProgressBar";
        case Op::UnloadPlugin:
            return "UnloadPlugin";
        case Op::EndOfUpgrade:
            return "EndOfUpgrade";
        case Op::UpgradeAbortedByExtraction:
            return "UpgradeAbortedByExtraction";
        case Op::SendPluginMessage:
            return "SendPluginMessage";
        case Op::SetMediaContinentID:
            return "SetMediaContinentID";
        case Op::PluginWantToRebootSystem:
            return "PluginWantToRebootSystem";
        case Op::NavStartUpgrade:
            return "NavStartUpgrade";
        case Op::NavStopUpgrade:
            return "NavStopUpgrade";
        case Op::RebootSystem:
            return "RebootSystem";
        case Op::EmergencyReboot:
            return "EmergencyReboot";
        case Op::ContextSet:
            return "ContextSet";
    }
    return "?";
}

void reset() {
    destroyManager();
    {
        Records& r = records();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.calls.clear();
        r.results.clear();
        r.unloadHandler = nullptr;
    }
    internal::resetServices();
    internal::resetSyslog();
}

void setResult(Op op, int result) {
    Records& r = records();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.results[op] = result;
}

void setUnloadHandler(std::function<void()> handler) {
    Records& r = records();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.unloadHandler = std::move(handler);
}

std::vector<Call> calls() {
    Records& r = records();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.calls;
}

std::vector<Call> calls(Op op) {
    Records& r = records();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::vector<Call> out;
    for (const Call& c : r.calls) {
        if (c.op == op) out.push_back(c);
    }
    return out;
}

size_t countOf(Op op) { return calls(op).size(); }

void clearCalls() {
    Records& r = records();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.calls.clear();
}

bool waitForCall(Op op, long timeoutMs, Call* out, size_t count) {
    if (count == 0) count = 1;
    Records& r = records();
    std::unique_lock<std::mutex> lock(r.mutex);
    const Call* found = nullptr;
    auto ready = [&] {
        size_t seen = 0;
        for (const Call& c : r.calls) {
            if (c.op == op && ++seen == count) {
                found = &c;
                return true;
            }
        }
        return false;
    };
    if (!r.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                            ready)) {
        return false;
    }
    if (out != nullptr) *out = *found;
    return true;
}

bool waitForResult(Op op, long timeoutMs, int* value, size_t count) {
    Call c{op};
    if (!waitForCall(op, timeoutMs, &c, count)) return false;
    if (value != nullptr) *value = static_cast<int>(c.a);
    return true;
}

std::vector<std::pair<int, int>> progress() {
    std::vector<std::pair<int, int>> out;
    for (const Call& c : calls(Op::ProgressBar)) {
        out.emplace_back(static_cast<int>(c.a), static_cast<int>(c.b));
    }
    return out;
}

namespace internal {

int record(Op op, long long a, long long b) {
    Call c{op, a, b, tickGet()};
    Records& r = records();
    int result = 0;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        r.calls.push_back(c);
        auto it = r.results.find(op);
        if (it != r.results.end()) result = it->second;
    }
    r.changed.notify_all();
    return result;
}

void runUnloadHandler() {
    std::function<void()> handler;
    {
        Records& r = records();
        std::lock_guard<std::mutex> lock(r.mutex);
        handler = r.unloadHandler;
    }
    if (handler) handler();
}

}  // namespace internal

}  // namespace host
