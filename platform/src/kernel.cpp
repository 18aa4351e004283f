// Tasks, time, semaphores, message queues and the console of the simulated unit.
#include <platform/kernel.h>
#include <platform/iosys.h>
#include <platform/sim.h>

#include <errno.h>
#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Objects shared with detached threads are never destroyed, so that a thread
// still running at process exit never sees a destroyed mutex.
template <typename T>
T& leaked() {
    static T* p = new T();
    return *p;
}

std::atomic<long> g_tickMicros{2000};

// The tick count carries on from where it was when the tick length changes,
// so that it never runs backwards.
struct TickBase {
    std::mutex mutex;
    Clock::time_point at = Clock::now();
    unsigned long ticks = 0;
};
TickBase& tickBase() { return leaked<TickBase>(); }
// Counts from the process's start, not from the first call.
[[maybe_unused]] TickBase& g_tickBaseAtStart = tickBase();

// Caller holds tickBase().mutex.
unsigned long ticksNow(const TickBase& base, Clock::time_point now) {
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - base.at).count();
    return base.ticks + static_cast<unsigned long>(us / g_tickMicros.load());
}

Clock::time_point deadlineAfter(int ticks) {
    return Clock::now() +
           std::chrono::microseconds(static_cast<int64_t>(ticks) * g_tickMicros.load());
}

// ---- Tasks ------------------------------------------------------------------

struct TaskRecord {
    platform::TaskInfo info;
    bool spawned = false;
};

struct TaskTable {
    std::mutex mutex;
    std::unordered_map<int, TaskRecord> live;
    int nextId = 1;
    std::atomic<uint64_t> spawned{0};

    // Caller holds mutex.
    int allocate() {
        for (;;) {
            int id = nextId;
            nextId = nextId >= (1 << 24) ? 1 : nextId + 1;
            if (live.find(id) == live.end()) return id;
        }
    }
};

TaskTable& tasks() { return leaked<TaskTable>(); }

thread_local int t_taskId = 0;

// Gives a thread not started by taskSpawn its id, released when it ends.
struct ForeignTask {
    int id = 0;
    ~ForeignTask() {
        if (id != 0) {
            std::lock_guard<std::mutex> lock(tasks().mutex);
            tasks().live.erase(id);
        }
    }
};
thread_local ForeignTask t_foreign;

struct Job {
    int tid;
    FUNCPTR entry;
    _Vx_usr_arg_t a[10];
};

size_t minimumStack() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    size_t base = 4u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    size_t base = 4u << 20;
#else
    size_t base = 256u << 10;
#endif
#else
    size_t base = 256u << 10;
#endif
    size_t min = PTHREAD_STACK_MIN;
    return base > min ? base : min;
}

// A pool of recycled threads: a spawn hands its job to an idle worker whose
// stack is big enough, or starts a new one.
struct Worker {
    std::condition_variable cv;
    size_t stackSize = 0;
    std::atomic<bool> hasJob{false};
    bool sleeping = false;  // guarded by the pool's mutex
    Job job{};
};

struct Pool {
    std::mutex mutex;
    std::vector<Worker*> idle;
};
Pool& pool() { return leaked<Pool>(); }

const size_t kMaxIdle = 64;

void runJob(const Job& job) {
    t_taskId = job.tid;
    errno = 0;  // a task starts with no error of the one that ran before on this thread
    job.entry(job.a[0], job.a[1], job.a[2], job.a[3], job.a[4], job.a[5], job.a[6], job.a[7],
              job.a[8], job.a[9]);
    {
        std::lock_guard<std::mutex> lock(tasks().mutex);
        tasks().live.erase(job.tid);
    }
    t_taskId = 0;
}

// A worker that has just finished watches for its next job for a short while
// before it sleeps: the extractor hands out a block every ~150 us, and waking a
// sleeping thread (and, on a virtual machine, its idle processor) costs tens
// of microseconds per block.
const auto kSpinForJob = std::chrono::microseconds(300);

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

void spinForJob(const Worker& w) {
    auto until = std::chrono::steady_clock::now() + kSpinForJob;
    while (!w.hasJob.load(std::memory_order_acquire)) {
        for (int i = 0; i < 64; ++i) cpuRelax();
        if (std::chrono::steady_clock::now() >= until) return;
    }
}

void* workerMain(void* arg) {
    Worker* w = static_cast<Worker*>(arg);
    for (;;) {
        spinForJob(*w);
        Job job;
        {
            std::unique_lock<std::mutex> lock(pool().mutex);
            w->sleeping = true;
            w->cv.wait(lock, [w] { return w->hasJob.load(std::memory_order_relaxed); });
            w->sleeping = false;
            job = w->job;
            w->hasJob.store(false, std::memory_order_relaxed);
        }
        runJob(job);
        std::lock_guard<std::mutex> lock(pool().mutex);
        if (pool().idle.size() >= kMaxIdle) break;
        pool().idle.push_back(w);
    }
    delete w;
    return nullptr;
}

bool dispatch(const Job& job, size_t stack) {
    {
        std::lock_guard<std::mutex> lock(pool().mutex);
        auto& idle = pool().idle;
        for (size_t i = idle.size(); i-- > 0;) {
            Worker* w = idle[i];
            if (w->stackSize >= stack) {
                idle.erase(idle.begin() + static_cast<long>(i));
                w->job = job;
                w->hasJob.store(true, std::memory_order_release);
                if (w->sleeping) w->cv.notify_one();
                return true;
            }
        }
    }
    Worker* w = new (std::nothrow) Worker();
    if (w == nullptr) return false;
    w->stackSize = stack;
    w->job = job;
    w->hasJob = true;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stack);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, workerMain, w);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete w;
        errno = rc;
        return false;
    }
    return true;
}

// ---- Semaphores and queues ----------------------------------------------------

// One lock guards every semaphore and queue and the registries of live ids,
// so that a bad or deleted id is found out without touching freed memory.
std::mutex& objLock() { return leaked<std::mutex>(); }

enum class WaitState { Waiting, Granted, Deleted };

struct Waiter {
    std::condition_variable cv;
    WaitState state = WaitState::Waiting;
    std::string message;  // queues: the message handed over
};

// Waits (objLock held) until the waiter is served or the deadline passes;
// on timeout it takes itself out of the list.
WaitState waitFor(std::unique_lock<std::mutex>& lock, Waiter& w, std::deque<Waiter*>& list,
                  int timeout) {
    if (timeout == WAIT_FOREVER) {
        w.cv.wait(lock, [&w] { return w.state != WaitState::Waiting; });
        return w.state;
    }
    auto deadline = deadlineAfter(timeout);
    if (!w.cv.wait_until(lock, deadline, [&w] { return w.state != WaitState::Waiting; })) {
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (*it == &w) {
                list.erase(it);
                break;
            }
        }
        return WaitState::Waiting;
    }
    return w.state;
}

// The result of a wait, with the task's errno set when it failed.
STATUS statusOf(WaitState state) {
    switch (state) {
        case WaitState::Granted:
            return OK;
        case WaitState::Deleted:
            errno = S_objLib_OBJ_DELETED;
            return ERROR;
        default:
            errno = S_objLib_OBJ_TIMEOUT;
            return ERROR;
    }
}

// Ends every wait in the list because its object is going away.
void wakeDeleted(std::deque<Waiter*>& list) {
    for (Waiter* w : list) {
        w->state = WaitState::Deleted;
        w->cv.notify_one();
    }
    list.clear();
}

}  // namespace

struct semaphore {
    bool full = false;
    std::deque<Waiter*> waiters;
};

struct msg_queue {
    int maxMsgs = 0;
    int maxLength = 0;
    std::deque<std::string> messages;
    std::deque<Waiter*> receivers;
    std::deque<Waiter*> senders;
};

namespace {
std::unordered_set<semaphore*>& liveSems() { return leaked<std::unordered_set<semaphore*>>(); }
std::unordered_set<msg_queue*>& liveQueues() { return leaked<std::unordered_set<msg_queue*>>(); }
}  // namespace

// ---- Time ---------------------------------------------------------------------

unsigned long tickGet(void) {
    TickBase& base = tickBase();
    std::lock_guard<std::mutex> lock(base.mutex);
    return ticksNow(base, Clock::now());
}

int sysClkRateGet(void) {
    long rate = 1000000 / g_tickMicros.load();
    return rate < 1 ? 1 : static_cast<int>(rate);
}

namespace platform {
void setTickMicros(long micros) {
    TickBase& base = tickBase();
    std::lock_guard<std::mutex> lock(base.mutex);
    Clock::time_point now = Clock::now();
    base.ticks = ticksNow(base, now);
    base.at = now;
    g_tickMicros.store(micros < 1 ? 1 : micros);
}
long tickMicros() { return g_tickMicros.load(); }
}  // namespace platform

// ---- Tasks ----------------------------------------------------------------------

int taskSpawn(const char* name, int priority, int options, int stackSize, FUNCPTR entry,
              _Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
              _Vx_usr_arg_t a5, _Vx_usr_arg_t a6, _Vx_usr_arg_t a7, _Vx_usr_arg_t a8,
              _Vx_usr_arg_t a9, _Vx_usr_arg_t a10) {
    if (entry == nullptr || stackSize < 0) {
        errno = EINVAL;
        return ERROR;
    }
    Job job{0, entry, {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10}};
    {
        std::lock_guard<std::mutex> lock(tasks().mutex);
        job.tid = tasks().allocate();
        TaskRecord& rec = tasks().live[job.tid];
        rec.info.name = name != nullptr ? name : "";
        rec.info.priority = priority;
        rec.info.options = options;
        rec.info.stackSize = stackSize;
        rec.spawned = true;
    }
    size_t stack = minimumStack();
    if (static_cast<size_t>(stackSize) > stack) stack = static_cast<size_t>(stackSize);
    int saved = errno;
    if (!dispatch(job, stack)) {
        int err = errno;
        std::lock_guard<std::mutex> lock(tasks().mutex);
        tasks().live.erase(job.tid);
        errno = err != 0 ? err : ENOMEM;
        return ERROR;
    }
    errno = saved;
    tasks().spawned.fetch_add(1);
    return job.tid;
}

STATUS taskDelay(int ticks) {
    if (ticks < 0) {
        errno = EINVAL;
        return ERROR;
    }
    if (ticks == 0) {
        sched_yield();
        return OK;
    }
    auto deadline = deadlineAfter(ticks);
    // A sleep may end early on a signal: sleep again until the deadline.
    while (Clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        struct timespec ts;
        ts.tv_sec = static_cast<time_t>(left.count() / 1000000);
        ts.tv_nsec = static_cast<long>((left.count() % 1000000) * 1000);
        nanosleep(&ts, nullptr);
    }
    return OK;
}

STATUS taskIdVerify(int tid) {
    std::lock_guard<std::mutex> lock(tasks().mutex);
    if (tasks().live.count(tid) != 0) return OK;
    errno = S_objLib_OBJ_ID_ERROR;
    return ERROR;
}

int taskIdSelf(void) {
    if (t_taskId != 0) return t_taskId;
    if (t_foreign.id == 0) {
        std::lock_guard<std::mutex> lock(tasks().mutex);
        int id = tasks().allocate();
        TaskRecord& rec = tasks().live[id];
        rec.info.name = "tHost" + std::to_string(id);
        t_foreign.id = id;
    }
    return t_foreign.id;
}

const char* taskName(int tid) {
    std::lock_guard<std::mutex> lock(tasks().mutex);
    auto it = tasks().live.find(tid);
    if (it == tasks().live.end()) {
        errno = S_objLib_OBJ_ID_ERROR;
        return nullptr;
    }
    return it->second.info.name.c_str();
}

namespace platform {
bool taskInfo(int tid, TaskInfo* info) {
    std::lock_guard<std::mutex> lock(tasks().mutex);
    auto it = tasks().live.find(tid);
    if (it == tasks().live.end() || info == nullptr) return false;
    *info = it->second.info;
    return true;
}
uint64_t tasksSpawned() { return tasks().spawned.load(); }
}  // namespace platform

// ---- Binary semaphores ------------------------------------------------------------

SEM_ID semBCreate(int options, SEM_B_STATE initialState) {
    if ((options & ~(SEM_Q_FIFO | SEM_Q_PRIORITY)) != 0 ||
        (initialState != SEM_EMPTY && initialState != SEM_FULL)) {
        errno = EINVAL;
        return nullptr;
    }
    semaphore* sem = new (std::nothrow) semaphore();
    if (sem == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    sem->full = initialState == SEM_FULL;
    std::lock_guard<std::mutex> lock(objLock());
    liveSems().insert(sem);
    return sem;
}

STATUS semTake(SEM_ID sem, int timeout) {
    std::unique_lock<std::mutex> lock(objLock());
    if (sem == nullptr || liveSems().count(sem) == 0) {
        errno = S_objLib_OBJ_ID_ERROR;
        return ERROR;
    }
    if (sem->full) {
        sem->full = false;
        return OK;
    }
    if (timeout == NO_WAIT) {
        errno = S_objLib_OBJ_UNAVAILABLE;
        return ERROR;
    }
    if (timeout < 0 && timeout != WAIT_FOREVER) timeout = WAIT_FOREVER;
    Waiter w;
    sem->waiters.push_back(&w);
    return statusOf(waitFor(lock, w, sem->waiters, timeout));
}

STATUS semGive(SEM_ID sem) {
    std::lock_guard<std::mutex> lock(objLock());
    if (sem == nullptr || liveSems().count(sem) == 0) {
        errno = S_objLib_OBJ_ID_ERROR;
        return ERROR;
    }
    if (!sem->waiters.empty()) {
        Waiter* w = sem->waiters.front();
        sem->waiters.pop_front();
        w->state = WaitState::Granted;
        w->cv.notify_one();
    } else {
        sem->full = true;
    }
    return OK;
}

STATUS semDelete(SEM_ID sem) {
    {
        std::lock_guard<std::mutex> lock(objLock());
        if (sem == nullptr || liveSems().erase(sem) == 0) {
            errno = S_objLib_OBJ_ID_ERROR;
            return ERROR;
        }
        wakeDeleted(sem->waiters);
    }
    delete sem;
    return OK;
}

// ---- Message queues ------------------------------------------------------------------

MSG_Q_ID msgQCreate(int maxMsgs, int maxMsgLength, int options) {
    if (maxMsgs < 0 || maxMsgLength < 0 || (options & ~(MSG_Q_FIFO | MSG_Q_PRIORITY)) != 0) {
        errno = EINVAL;
        return nullptr;
    }
    msg_queue* q = new (std::nothrow) msg_queue();
    if (q == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    q->maxMsgs = maxMsgs;
    q->maxLength = maxMsgLength;
    std::lock_guard<std::mutex> lock(objLock());
    liveQueues().insert(q);
    return q;
}

STATUS msgQSend(MSG_Q_ID q, char* buffer, unsigned int nBytes, int timeout, int priority) {
    std::unique_lock<std::mutex> lock(objLock());
    if (q == nullptr || liveQueues().count(q) == 0) {
        errno = S_objLib_OBJ_ID_ERROR;
        return ERROR;
    }
    if ((buffer == nullptr && nBytes > 0) || nBytes > static_cast<unsigned int>(q->maxLength)) {
        errno = EMSGSIZE;
        return ERROR;
    }
    std::string msg(buffer != nullptr ? buffer : "", nBytes);
    if (!q->receivers.empty()) {
        Waiter* w = q->receivers.front();
        q->receivers.pop_front();
        w->message = std::move(msg);
        w->state = WaitState::Granted;
        w->cv.notify_one();
        return OK;
    }
    if (q->messages.size() < static_cast<size_t>(q->maxMsgs)) {
        if (priority == MSG_PRI_URGENT)
            q->messages.push_front(std::move(msg));
        else
            q->messages.push_back(std::move(msg));
        return OK;
    }
    if (timeout == NO_WAIT) {
        errno = S_objLib_OBJ_UNAVAILABLE;
        return ERROR;
    }
    if (timeout < 0 && timeout != WAIT_FOREVER) timeout = WAIT_FOREVER;
    Waiter w;
    w.message = std::move(msg);
    q->senders.push_back(&w);
    return statusOf(waitFor(lock, w, q->senders, timeout));
}

int msgQReceive(MSG_Q_ID q, char* buffer, unsigned int maxNBytes, int timeout) {
    std::unique_lock<std::mutex> lock(objLock());
    if (q == nullptr || liveQueues().count(q) == 0) {
        errno = S_objLib_OBJ_ID_ERROR;
        return ERROR;
    }
    if (buffer == nullptr && maxNBytes > 0) {
        errno = EINVAL;
        return ERROR;
    }
    std::string msg;
    if (!q->messages.empty()) {
        msg = std::move(q->messages.front());
        q->messages.pop_front();
        // Room was made: the first waiting sender's message joins the queue.
        if (!q->senders.empty()) {
            Waiter* s = q->senders.front();
            q->senders.pop_front();
            q->messages.push_back(std::move(s->message));
            s->state = WaitState::Granted;
            s->cv.notify_one();
        }
    } else if (!q->senders.empty()) {
        Waiter* s = q->senders.front();
        q->senders.pop_front();
        msg = std::move(s->message);
        s->state = WaitState::Granted;
        s->cv.notify_one();
    } else {
        if (timeout == NO_WAIT) {
            errno = S_objLib_OBJ_UNAVAILABLE;
            return ERROR;
        }
        if (timeout < 0 && timeout != WAIT_FOREVER) timeout = WAIT_FOREVER;
        Waiter w;
        q->receivers.push_back(&w);
        WaitState state = waitFor(lock, w, q->receivers, timeout);
        if (state != WaitState::Granted) return statusOf(state);
        msg = std::move(w.message);
    }
    size_t n = msg.size() < maxNBytes ? msg.size() : maxNBytes;
    if (n > 0) memcpy(buffer, msg.data(), n);
    return static_cast<int>(n);
}

STATUS msgQDelete(MSG_Q_ID q) {
    {
        std::lock_guard<std::mutex> lock(objLock());
        if (q == nullptr || liveQueues().erase(q) == 0) {
            errno = S_objLib_OBJ_ID_ERROR;
            return ERROR;
        }
        wakeDeleted(q->receivers);
        wakeDeleted(q->senders);
    }
    delete q;
    return OK;
}

// ---- Errors --------------------------------------------------------------------------

int errnoGet(void) { return errno; }
void errnoSet(int value) { errno = value; }

// ---- Console -------------------------------------------------------------------------

namespace {

struct Console {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable written;
    std::deque<std::string> lines;
    uint64_t queued = 0;
    uint64_t done = 0;
    bool started = false;
    std::mutex sinkMutex;  // held while a line is written, so a sink change waits for it
    std::function<void(const std::string&)> sink;
};
Console& console() { return leaked<Console>(); }

void writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void* consoleMain(void*) {
    Console& c = console();
    for (;;) {
        std::string line;
        {
            std::unique_lock<std::mutex> lock(c.mutex);
            c.wake.wait(lock, [&c] { return !c.lines.empty(); });
            line = std::move(c.lines.front());
            c.lines.pop_front();
        }
        {
            std::lock_guard<std::mutex> lock(c.sinkMutex);
            if (c.sink)
                c.sink(line);
            else
                writeAll(ioGlobalStdGet(STD_OUT), line);
        }
        std::lock_guard<std::mutex> lock(c.mutex);
        ++c.done;
        c.written.notify_all();
    }
    return nullptr;
}

void flushAtExit() {
    Console& c = console();
    std::unique_lock<std::mutex> lock(c.mutex);
    uint64_t target = c.queued;
    c.written.wait_for(lock, std::chrono::seconds(2), [&c, target] { return c.done >= target; });
}

// Caller holds console().mutex.
void startConsole() {
    Console& c = console();
    if (c.started) return;
    pthread_t thread;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    if (pthread_create(&thread, &attr, consoleMain, nullptr) == 0) {
        c.started = true;
        atexit(flushAtExit);
    }
    pthread_attr_destroy(&attr);
}

// Appends one conversion, taking its argument as the conversion's own type.
void appendConversion(std::string& out, const std::string& spec, char length, char conv,
                      _Vx_usr_arg_t arg) {
    char buf[128];
    int n = 0;
    switch (conv) {
        case 'd':
        case 'i':
            if (length == 'L')
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<long long>(arg));
            else if (length == 'l')
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<long>(arg));
            else
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<int>(arg));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (length == 'L')
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<unsigned long long>(arg));
            else if (length == 'l')
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<unsigned long>(arg));
            else
                n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<unsigned>(arg));
            break;
        case 'c':
            n = snprintf(buf, sizeof buf, spec.c_str(), static_cast<int>(arg));
            break;
        case 'p':
            n = snprintf(buf, sizeof buf, spec.c_str(), reinterpret_cast<void*>(arg));
            break;
        case 's': {
            const char* s = reinterpret_cast<const char*>(arg);
            if (s == nullptr) s = "(null)";
            int size = snprintf(nullptr, 0, spec.c_str(), s);
            if (size > 0) {
                std::string tmp(static_cast<size_t>(size) + 1, '\0');
                snprintf(&tmp[0], tmp.size(), spec.c_str(), s);
                tmp.resize(static_cast<size_t>(size));
                out += tmp;
            }
            return;
        }
        default:  // floating point is not supported: the raw word is shown
            n = snprintf(buf, sizeof buf, "%ld", static_cast<long>(arg));
            break;
    }
    if (n > 0)
        out.append(buf,
                   static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

}  // namespace

namespace platform {

std::string formatLog(const char* fmt, const _Vx_usr_arg_t* args, int nargs) {
    std::string out;
    if (fmt == nullptr) return out;
    int next = 0;
    auto take = [&]() -> _Vx_usr_arg_t { return next < nargs ? args[next++] : 0; };
    for (const char* p = fmt; *p != '\0';) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out += '%';
            ++p;
            continue;
        }
        std::string spec = "%";
        while (*p != '\0' && strchr("-+ #0", *p) != nullptr) spec += *p++;
        auto number = [&](int limit) {
            if (*p == '*') {
                long v = static_cast<long>(take());
                ++p;
                if (v < -limit) v = -limit;
                if (v > limit) v = limit;
                spec += std::to_string(v);
                return;
            }
            long v = 0;
            while (*p >= '0' && *p <= '9') {
                v = v * 10 + (*p++ - '0');
                if (v > limit) v = limit;
            }
            if (v > 0 || spec.back() == '.') spec += std::to_string(v);
        };
        number(4096);
        if (*p == '.') {
            spec += *p++;
            number(4096);
        }
        char length = 0;
        if (*p == 'h') {
            ++p;
            if (*p == 'h') ++p;
        } else if (*p == 'l') {
            ++p;
            length = 'l';
            if (*p == 'l') {
                ++p;
                length = 'L';
            }
        } else if (*p == 'z' || *p == 't' || *p == 'j' || *p == 'q' || *p == 'L') {
            length = *p == 'q' || *p == 'j' ? 'L' : 'l';
            ++p;
        }
        char conv = *p;
        if (conv == '\0') {
            out.append(start);
            break;
        }
        ++p;
        if (strchr("diuxXocsp", conv) != nullptr) {
            if (length == 'l') spec += 'l';
            if (length == 'L') spec += "ll";
            spec += conv;
            if (conv == 'p' || conv == 'c' || conv == 's') {
                // their own type needs no length modifier
                std::string clean;
                for (char ch : spec)
                    if (ch != 'l') clean += ch;
                spec = clean;
            }
            appendConversion(out, spec, length, conv, take());
        } else if (strchr("feEgGaA", conv) != nullptr) {
            appendConversion(out, spec, length, conv, take());
        } else if (conv == 'n') {
            take();  // never written through
        } else {
            out.append(start, static_cast<size_t>(p - start));
        }
    }
    return out;
}

void setConsoleSink(std::function<void(const std::string&)> sink) {
    Console& c = console();
    std::lock_guard<std::mutex> lock(c.sinkMutex);
    c.sink = std::move(sink);
}

void flushConsole() {
    Console& c = console();
    std::unique_lock<std::mutex> lock(c.mutex);
    uint64_t target = c.queued;
    c.written.wait(lock, [&c, target] { return c.done >= target; });
}

}  // namespace platform

int logMsg(const char* fmt, _Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
           _Vx_usr_arg_t a5, _Vx_usr_arg_t a6) {
    int saved = errno;
    if (fmt == nullptr) {
        errno = EINVAL;
        return ERROR;
    }
    const _Vx_usr_arg_t args[6] = {a1, a2, a3, a4, a5, a6};
    std::string text = platform::formatLog(fmt, args, 6);
    int n = static_cast<int>(text.size());
    Console& c = console();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        startConsole();
        if (!c.started) {
            errno = EAGAIN;
            return ERROR;
        }
        c.lines.push_back(std::move(text));
        ++c.queued;
    }
    c.wake.notify_one();
    errno = saved;
    return n;
}

namespace platform {
int pendingWaiters(::semaphore* sem) {
    std::lock_guard<std::mutex> lock(objLock());
    if (sem == nullptr || liveSems().count(sem) == 0) return -1;
    return static_cast<int>(sem->waiters.size());
}
int pendingWaiters(::msg_queue* queue) {
    std::lock_guard<std::mutex> lock(objLock());
    if (queue == nullptr || liveQueues().count(queue) == 0) return -1;
    return static_cast<int>(queue->receivers.size() + queue->senders.size());
}
}  // namespace platform
