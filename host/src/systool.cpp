// The system log: kept in memory for inspection and appended to a file of the unit.
#include <host/simulation.h>
#include <host/systool.h>

#include <platform/fileio.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <mutex>

namespace {

// Oldest entries are dropped beyond this, so a long bench run stays bounded.
const size_t kMaxEntries = 200000;
const char* const kDefaultFile = "/SYSTEM_TMP_DATA/syslog.txt";

struct SystemLog {
    std::mutex mutex;
    std::condition_variable added;
    std::deque<std::string> entries;
    std::string file = kDefaultFile;
    bool echo = false;
    std::mutex fileMutex;  // keeps the file in entry order
};

SystemLog& systemLog() {
    static SystemLog log;
    return log;
}

void AddEntry(const std::string& entry) {
    SystemLog& log = systemLog();
    std::string file;
    bool echo;
    std::unique_lock<std::mutex> fileLock(log.fileMutex);
    {
        std::lock_guard<std::mutex> lock(log.mutex);
        log.entries.push_back(entry);
        if (log.entries.size() > kMaxEntries) log.entries.pop_front();
        file = log.file;
        echo = log.echo;
    }
    log.added.notify_all();

    const bool newline = !entry.empty() && entry.back() == '\n';
    if (!file.empty()) {
        FILE* stream = fsFopen(file.c_str(), "a");
        if (stream != nullptr) {
            fwrite(entry.data(), 1, entry.size(), stream);
            if (!newline) fputc('\n', stream);
            fclose(stream);
        }
    }
    if (echo) {
        fwrite(entry.data(), 1, entry.size(), stdout);
        if (!newline) fputc('\n', stdout);
        fflush(stdout);
    }
}

std::string FormatV(const char* format, va_list args) {
    if (format == nullptr) return std::string();
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int length = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

const char* OrNull(const char* text) { return text != nullptr ? text : "(null)"; }

}  // namespace

void SYSTOOL_LogMsgNoFormat(bool p_flush, const char* p_format, ...) {
    (void)p_flush;  // every entry is written out at once
    va_list l_args;
    va_start(l_args, p_format);
    std::string l_entry = FormatV(p_format, l_args);
    va_end(l_args);
    AddEntry(l_entry);
}

void SYSTOOL_logError(const char* p_class, const char* p_operation, const char* p_text,
                      int p_level) {
    char l_level[16];
    snprintf(l_level, sizeof l_level, "%d", p_level);
    AddEntry(std::string("ERROR (") + OrNull(p_class) + ") " + OrNull(p_operation) + " : " +
             OrNull(p_text) + " [level " + l_level + "]");
}

namespace host {

std::vector<std::string> syslogLines() {
    SystemLog& log = systemLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    return std::vector<std::string>(log.entries.begin(), log.entries.end());
}

void clearSyslog() {
    SystemLog& log = systemLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.entries.clear();
}

bool waitForSyslog(const std::string& text, long timeoutMs) {
    SystemLog& log = systemLog();
    std::unique_lock<std::mutex> lock(log.mutex);
    size_t checked = 0;
    auto found = [&] {
        // Entries only grow at the back (or are cleared), so scan just the new ones.
        if (checked > log.entries.size()) checked = 0;
        for (; checked < log.entries.size(); ++checked) {
            if (log.entries[checked].find(text) != std::string::npos) return true;
        }
        return false;
    };
    return log.added.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                              found);
}

bool syslogContains(const std::string& text) { return waitForSyslog(text, 0); }

void setSyslogFile(const std::string& unitPath) {
    SystemLog& log = systemLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.file = unitPath;
}

void setSyslogEcho(bool echo) {
    SystemLog& log = systemLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.echo = echo;
}

namespace internal {

void resetSyslog() {
    SystemLog& log = systemLog();
    std::lock_guard<std::mutex> lock(log.mutex);
    log.entries.clear();
    log.file = kDefaultFile;
    log.echo = false;
}

}  // namespace internal

}  // namespace host
