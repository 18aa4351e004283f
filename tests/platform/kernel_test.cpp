#include <platform/kernel.h>
#include <platform/sim.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class Kernel : public ::testing::Test {
  protected:
    void SetUp() override { platform::setTickMicros(10); }
    void TearDown() override { platform::setTickMicros(2000); }
};

// Waits (bounded) until the task's entry has returned.
bool waitTaskGone(int tid) {
    for (int i = 0; i < 1000000; ++i) {
        if (taskIdVerify(tid) != OK) return true;
        taskDelay(1);
    }
    return false;
}

// Waits (bounded) until n tasks block on the object.
template <typename Id>
bool waitWaiters(Id id, int n) {
    for (int i = 0; i < 1000000; ++i) {
        if (platform::pendingWaiters(id) == n) return true;
        taskDelay(1);
    }
    return false;
}

struct ArgsSeen {
    _Vx_usr_arg_t args[10];
    int self;
    SEM_ID done;
};

int recordArgs(_Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
               _Vx_usr_arg_t a5, _Vx_usr_arg_t a6, _Vx_usr_arg_t a7, _Vx_usr_arg_t a8,
               _Vx_usr_arg_t a9, _Vx_usr_arg_t a10) {
    ArgsSeen* seen = reinterpret_cast<ArgsSeen*>(a1);
    _Vx_usr_arg_t all[10] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10};
    memcpy(seen->args, all, sizeof all);
    seen->self = taskIdSelf();
    semGive(seen->done);
    return 0;
}

TEST_F(Kernel, TaskGetsItsTenArgumentsAndItsOwnId) {
    ArgsSeen seen{};
    seen.done = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    int tid = taskSpawn("tArgs", 150, VX_FP_TASK, 20000, reinterpret_cast<FUNCPTR>(recordArgs),
                        reinterpret_cast<_Vx_usr_arg_t>(&seen), 2, 3, 4, 5, 6, 7, 8, 9, -10);
    ASSERT_GT(tid, 0);
    ASSERT_EQ(OK, semTake(seen.done, WAIT_FOREVER));
    EXPECT_EQ(tid, seen.self);
    for (int i = 1; i < 9; ++i) EXPECT_EQ(i + 1, seen.args[i]);
    EXPECT_EQ(-10, seen.args[9]);
    EXPECT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(nullptr, taskName(tid));
    semDelete(seen.done);
}

struct Gate {
    SEM_ID go;
    SEM_ID started;
    std::atomic<int> depth{0};
};

int waitAtGate(_Vx_usr_arg_t g, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
               _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    Gate* gate = reinterpret_cast<Gate*>(g);
    // Uses far more stack than the spawn asked for: the host C library needs it.
    volatile char big[128 * 1024];
    big[0] = 1;
    big[sizeof big - 1] = big[0];
    semGive(gate->started);
    semTake(gate->go, WAIT_FOREVER);
    return 0;
}

TEST_F(Kernel, TaskLivesUntilItsEntryReturnsAndRecordsWhatWasAsked) {
    Gate gate;
    gate.go = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    gate.started = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    uint64_t before = platform::tasksSpawned();
    int tid = taskSpawn("UPG_Plug", 150, VX_FP_TASK, 1000, reinterpret_cast<FUNCPTR>(waitAtGate),
                        reinterpret_cast<_Vx_usr_arg_t>(&gate), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_GT(tid, 0);
    ASSERT_EQ(OK, semTake(gate.started, WAIT_FOREVER));
    EXPECT_EQ(OK, taskIdVerify(tid));
    EXPECT_STREQ("UPG_Plug", taskName(tid));
    platform::TaskInfo info;
    ASSERT_TRUE(platform::taskInfo(tid, &info));
    EXPECT_EQ("UPG_Plug", info.name);
    EXPECT_EQ(150, info.priority);
    EXPECT_EQ(VX_FP_TASK, info.options);
    EXPECT_EQ(1000, info.stackSize);
    EXPECT_EQ(before + 1, platform::tasksSpawned());
    semGive(gate.go);
    EXPECT_TRUE(waitTaskGone(tid));
    EXPECT_FALSE(platform::taskInfo(tid, &info));
    semDelete(gate.go);
    semDelete(gate.started);
}

struct PingPong {
    SEM_ID ping, pong;
    int rounds;
};

int ponger(_Vx_usr_arg_t p, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
           _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    PingPong* pp = reinterpret_cast<PingPong*>(p);
    for (int i = 0; i < pp->rounds; ++i) {
        if (semTake(pp->ping, WAIT_FOREVER) != OK) return -1;
        semGive(pp->pong);
    }
    return 0;
}

TEST_F(Kernel, TasksRunConcurrently) {
    PingPong pp{semBCreate(SEM_Q_FIFO, SEM_EMPTY), semBCreate(SEM_Q_FIFO, SEM_EMPTY), 200};
    ASSERT_GT(taskSpawn("tPong", 100, 0, 0, reinterpret_cast<FUNCPTR>(ponger),
                        reinterpret_cast<_Vx_usr_arg_t>(&pp), 0, 0, 0, 0, 0, 0, 0, 0, 0),
              0);
    for (int i = 0; i < pp.rounds; ++i) {
        semGive(pp.ping);
        ASSERT_EQ(OK, semTake(pp.pong, 100000)) << "round " << i;
    }
    semDelete(pp.ping);
    semDelete(pp.pong);
}

int countAndGive(_Vx_usr_arg_t counter, _Vx_usr_arg_t sem, _Vx_usr_arg_t, _Vx_usr_arg_t,
                 _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                 _Vx_usr_arg_t) {
    reinterpret_cast<std::atomic<int>*>(counter)->fetch_add(1);
    semGive(reinterpret_cast<SEM_ID>(sem));
    return 0;
}

TEST_F(Kernel, ManyShortTasksInARowAllRunWithFreshIds) {
    std::atomic<int> counter{0};
    SEM_ID done = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    int previous = 0;
    for (int i = 0; i < 2000; ++i) {
        int tid =
            taskSpawn("TarWrtTask", 155, VX_FP_TASK, 20000, reinterpret_cast<FUNCPTR>(countAndGive),
                      reinterpret_cast<_Vx_usr_arg_t>(&counter),
                      reinterpret_cast<_Vx_usr_arg_t>(done), 0, 0, 0, 0, 0, 0, 0, 0);
        ASSERT_GT(tid, 0);
        ASSERT_NE(previous, tid);
        previous = tid;
        ASSERT_EQ(OK, semTake(done, WAIT_FOREVER));
    }
    EXPECT_EQ(2000, counter.load());
    semDelete(done);
}

TEST_F(Kernel, ThreadsNotSpawnedHaveTheirOwnIds) {
    int mine = taskIdSelf();
    EXPECT_GT(mine, 0);
    EXPECT_EQ(mine, taskIdSelf());
    EXPECT_EQ(OK, taskIdVerify(mine));
    int other = 0;
    std::thread t([&other] { other = taskIdSelf(); });
    t.join();
    EXPECT_GT(other, 0);
    EXPECT_NE(mine, other);
}

TEST_F(Kernel, DelayAndTicksFollowTheTickLength) {
    platform::setTickMicros(1000);
    EXPECT_EQ(1000, platform::tickMicros());
    EXPECT_EQ(1000, sysClkRateGet());
    auto start = std::chrono::steady_clock::now();
    unsigned long t0 = tickGet();
    ASSERT_EQ(OK, taskDelay(20));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(20));
    EXPECT_GE(tickGet() - t0, 20u);
    EXPECT_EQ(OK, taskDelay(0));
    EXPECT_EQ(ERROR, taskDelay(-1));
    platform::setTickMicros(2000);
    EXPECT_EQ(500, sysClkRateGet());
    platform::setTickMicros(0);
    EXPECT_EQ(1, platform::tickMicros());
}

TEST_F(Kernel, TickCountNeverRunsBackwardsWhenTheTickLengthChanges) {
    platform::setTickMicros(10);
    taskDelay(50);
    auto start = std::chrono::steady_clock::now();
    unsigned long fine = tickGet();
    EXPECT_GE(fine, 50u);
    platform::setTickMicros(100000);  // ten ticks a second
    unsigned long coarse = tickGet();
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(coarse, fine);
    // It carries on from the fine count instead of being recomputed at the new length.
    auto longTicks = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() / 100;
    EXPECT_LE(coarse, fine + static_cast<unsigned long>(longTicks) + 1);
    platform::setTickMicros(10);
    EXPECT_GE(tickGet(), coarse);
}

int reportErrno(_Vx_usr_arg_t out, _Vx_usr_arg_t done, _Vx_usr_arg_t leave, _Vx_usr_arg_t,
                _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                _Vx_usr_arg_t) {
    *reinterpret_cast<int*>(out) = errnoGet();
    errnoSet(static_cast<int>(leave));
    semGive(reinterpret_cast<SEM_ID>(done));
    return 0;
}

TEST_F(Kernel, EachTaskStartsWithoutAnError) {
    SEM_ID done = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    for (int i = 0; i < 20; ++i) {
        errnoSet(0x1234);  // neither the spawner's error nor the last task's leaks into a task
        int seen = -1;
        int tid =
            taskSpawn("tErr", 100, 0, 0, reinterpret_cast<FUNCPTR>(reportErrno),
                      reinterpret_cast<_Vx_usr_arg_t>(&seen), reinterpret_cast<_Vx_usr_arg_t>(done),
                      0x3d0004 + i, 0, 0, 0, 0, 0, 0, 0);
        ASSERT_GT(tid, 0);
        ASSERT_EQ(OK, semTake(done, WAIT_FOREVER));
        EXPECT_EQ(0, seen) << "task " << i;
        EXPECT_EQ(0x1234, errnoGet()) << "task " << i;  // nor the task's into the spawner
        ASSERT_TRUE(waitTaskGone(tid));
    }
    semDelete(done);
}

TEST_F(Kernel, TaskIdZeroAndDeadIdsNameNoTask) {
    EXPECT_EQ(ERROR, taskIdVerify(0));
    EXPECT_EQ(S_objLib_OBJ_ID_ERROR, errnoGet());
    EXPECT_EQ(ERROR, taskIdVerify(-1));
    EXPECT_EQ(ERROR, taskIdVerify(1 << 30));
}

// ---- Semaphores -----------------------------------------------------------------

TEST_F(Kernel, SemaphoreStatesAndTimeouts) {
    SEM_ID sem = semBCreate(SEM_Q_FIFO, SEM_FULL);
    ASSERT_NE(nullptr, sem);
    EXPECT_EQ(OK, semTake(sem, NO_WAIT));
    EXPECT_EQ(ERROR, semTake(sem, NO_WAIT));
    EXPECT_EQ(S_objLib_OBJ_UNAVAILABLE, errnoGet());
    platform::setTickMicros(1000);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ERROR, semTake(sem, 5));
    EXPECT_EQ(S_objLib_OBJ_TIMEOUT, errnoGet());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5));
    // A binary semaphore holds one give only.
    semGive(sem);
    semGive(sem);
    EXPECT_EQ(OK, semTake(sem, NO_WAIT));
    EXPECT_EQ(ERROR, semTake(sem, NO_WAIT));
    EXPECT_EQ(OK, semDelete(sem));
}

struct Order {
    SEM_ID sem;
    std::mutex mutex;
    std::vector<int> woke;
    std::atomic<int> failures{0};
};

int takeAndRecord(_Vx_usr_arg_t o, _Vx_usr_arg_t index, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                  _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    Order* order = reinterpret_cast<Order*>(o);
    if (semTake(order->sem, WAIT_FOREVER) != OK) {
        order->failures.fetch_add(errnoGet() == S_objLib_OBJ_DELETED ? 1 : 1000);
        return -1;
    }
    std::lock_guard<std::mutex> lock(order->mutex);
    order->woke.push_back(static_cast<int>(index));
    return 0;
}

bool waitRecorded(Order& order, size_t n) {
    for (int i = 0; i < 1000000; ++i) {
        {
            std::lock_guard<std::mutex> lock(order.mutex);
            if (order.woke.size() >= n) return true;
        }
        taskDelay(1);
    }
    return false;
}

TEST_F(Kernel, SemaphoreServesWaitersFirstInFirstOut) {
    Order order;
    order.sem = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    std::vector<int> tids;
    for (int i = 0; i < 4; ++i) {
        tids.push_back(taskSpawn("tWait", 100, 0, 0, reinterpret_cast<FUNCPTR>(takeAndRecord),
                                 reinterpret_cast<_Vx_usr_arg_t>(&order), i, 0, 0, 0, 0, 0, 0, 0,
                                 0));
        ASSERT_TRUE(waitWaiters(order.sem, i + 1));
    }
    for (int i = 0; i < 4; ++i) {
        semGive(order.sem);
        ASSERT_TRUE(waitRecorded(order, static_cast<size_t>(i) + 1));
    }
    for (int tid : tids) ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), order.woke);
    semDelete(order.sem);
}

TEST_F(Kernel, DeletingASemaphoreWakesItsWaitersWithAnError) {
    Order order;
    order.sem = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    std::vector<int> tids;
    for (int i = 0; i < 3; ++i)
        tids.push_back(taskSpawn("tWait", 100, 0, 0, reinterpret_cast<FUNCPTR>(takeAndRecord),
                                 reinterpret_cast<_Vx_usr_arg_t>(&order), i, 0, 0, 0, 0, 0, 0, 0,
                                 0));
    ASSERT_TRUE(waitWaiters(order.sem, 3));
    EXPECT_EQ(OK, semDelete(order.sem));
    for (int tid : tids) ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(3, order.failures.load());
    EXPECT_TRUE(order.woke.empty());
    // The id is dead now: every call refuses it without touching it.
    EXPECT_EQ(ERROR, semGive(order.sem));
    EXPECT_EQ(S_objLib_OBJ_ID_ERROR, errnoGet());
    EXPECT_EQ(ERROR, semTake(order.sem, NO_WAIT));
    EXPECT_EQ(ERROR, semDelete(order.sem));
}

struct TimedTake {
    SEM_ID sem;
    int timeout;
    std::atomic<int> result{1};
    std::atomic<int> error{0};
};

int takeWithTimeout(_Vx_usr_arg_t t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                    _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    TimedTake* take = reinterpret_cast<TimedTake*>(t);
    int rc = semTake(take->sem, take->timeout);
    take->error = errnoGet();
    take->result = rc;
    return 0;
}

// A task blocked with a time limit wakes at the give, long before the limit.
TEST_F(Kernel, GiveWakesAWaiterThatHasATimeLimit) {
    platform::setTickMicros(1000);
    TimedTake take;
    take.sem = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    take.timeout = 60 * 1000;  // a minute
    auto start = std::chrono::steady_clock::now();
    int tid = taskSpawn("tTimed", 100, 0, 0, reinterpret_cast<FUNCPTR>(takeWithTimeout),
                        reinterpret_cast<_Vx_usr_arg_t>(&take), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(waitWaiters(take.sem, 1));
    EXPECT_EQ(OK, semGive(take.sem));
    ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(OK, take.result.load());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    // The give went to the waiter: nothing is left over.
    EXPECT_EQ(ERROR, semTake(take.sem, NO_WAIT));
    semDelete(take.sem);
}

// ---- Message queues ------------------------------------------------------------------

TEST_F(Kernel, QueueKeepsOrderBoundsAndTruncates) {
    MSG_Q_ID q = msgQCreate(2, 8, MSG_Q_FIFO);
    ASSERT_NE(nullptr, q);
    char a[] = "first", b[] = "second", c[] = "third", tooLong[] = "123456789";
    EXPECT_EQ(OK, msgQSend(q, a, 5, NO_WAIT, MSG_PRI_NORMAL));
    EXPECT_EQ(OK, msgQSend(q, b, 6, NO_WAIT, MSG_PRI_NORMAL));
    EXPECT_EQ(ERROR, msgQSend(q, c, 5, NO_WAIT, MSG_PRI_NORMAL));
    EXPECT_EQ(S_objLib_OBJ_UNAVAILABLE, errnoGet());
    EXPECT_EQ(ERROR, msgQSend(q, c, 5, 3, MSG_PRI_NORMAL));
    EXPECT_EQ(S_objLib_OBJ_TIMEOUT, errnoGet());
    EXPECT_EQ(ERROR, msgQSend(q, tooLong, 9, NO_WAIT, MSG_PRI_NORMAL));
    char buf[16] = {};
    EXPECT_EQ(5, msgQReceive(q, buf, sizeof buf, NO_WAIT));
    EXPECT_EQ("first", std::string(buf, 5));
    EXPECT_EQ(3, msgQReceive(q, buf, 3, NO_WAIT));
    EXPECT_EQ("sec", std::string(buf, 3));
    EXPECT_EQ(ERROR, msgQReceive(q, buf, sizeof buf, 3));
    EXPECT_EQ(S_objLib_OBJ_TIMEOUT, errnoGet());
    EXPECT_EQ(OK, msgQDelete(q));
}

struct QueueUse {
    MSG_Q_ID q;
    std::atomic<int> result{0};
    std::atomic<int> error{0};
    char text[16];
};

int receiveOne(_Vx_usr_arg_t u, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
               _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    QueueUse* use = reinterpret_cast<QueueUse*>(u);
    int n = msgQReceive(use->q, use->text, sizeof use->text, WAIT_FOREVER);
    use->error = errnoGet();
    use->result = n;
    return 0;
}

int sendOne(_Vx_usr_arg_t u, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
            _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    QueueUse* use = reinterpret_cast<QueueUse*>(u);
    char msg[] = "late";
    use->result = msgQSend(use->q, msg, 4, WAIT_FOREVER, MSG_PRI_NORMAL);
    use->error = errnoGet();
    return 0;
}

TEST_F(Kernel, BlockedReceiverAndSenderWakeUp) {
    QueueUse use;
    use.q = msgQCreate(1, 16, MSG_Q_FIFO);
    int tid = taskSpawn("tRecv", 100, 0, 0, reinterpret_cast<FUNCPTR>(receiveOne),
                        reinterpret_cast<_Vx_usr_arg_t>(&use), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(waitWaiters(use.q, 1));
    char hello[] = "hello";
    ASSERT_EQ(OK, msgQSend(use.q, hello, 5, NO_WAIT, MSG_PRI_NORMAL));
    ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(5, use.result.load());
    EXPECT_EQ("hello", std::string(use.text, 5));

    // A full queue: the sender waits until a receive makes room.
    char first[] = "one";
    ASSERT_EQ(OK, msgQSend(use.q, first, 3, NO_WAIT, MSG_PRI_NORMAL));
    use.result = -5;
    tid = taskSpawn("tSend", 100, 0, 0, reinterpret_cast<FUNCPTR>(sendOne),
                    reinterpret_cast<_Vx_usr_arg_t>(&use), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(waitWaiters(use.q, 1));
    char buf[16];
    EXPECT_EQ(3, msgQReceive(use.q, buf, sizeof buf, NO_WAIT));
    ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(OK, use.result.load());
    EXPECT_EQ(4, msgQReceive(use.q, buf, sizeof buf, NO_WAIT));
    EXPECT_EQ("late", std::string(buf, 4));

    // Deletion wakes a blocked receiver with an error.
    tid = taskSpawn("tRecv", 100, 0, 0, reinterpret_cast<FUNCPTR>(receiveOne),
                    reinterpret_cast<_Vx_usr_arg_t>(&use), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(waitWaiters(use.q, 1));
    EXPECT_EQ(OK, msgQDelete(use.q));
    ASSERT_TRUE(waitTaskGone(tid));
    EXPECT_EQ(ERROR, use.result.load());
    EXPECT_EQ(S_objLib_OBJ_DELETED, use.error.load());
}

// ---- Console ----------------------------------------------------------------------------

struct FormatCase {
    const char* fmt;
    std::vector<intptr_t> args;
    const char* expected;
};

TEST(LogFormat, EachConversionTakesItsOwnType) {
    static const char name[] = "abcdef";
    const FormatCase cases[] = {
        {"%ld - (C_X) start \n", {1234}, "1234 - (C_X) start \n"},
        {"%d|%i", {-5, 7}, "-5|7"},
        {"%u %x %X %o", {-1, 255, 255, 8}, "4294967295 ff FF 10"},
        {"%lx %lu", {-1, 3}, "ffffffffffffffff 3"},
        {"%lld", {-9}, "-9"},
        {"%s|%s", {reinterpret_cast<intptr_t>(name), 0}, "abcdef|(null)"},
        {"%-8.3s|", {reinterpret_cast<intptr_t>(name)}, "abc     |"},
        {"%5d|%-3d|%03d", {42, 1, 7}, "   42|1  |007"},
        {"%*d", {4, 9}, "   9"},
        {"%c%c", {'o', 'k'}, "ok"},
        {"100%%", {}, "100%"},
        {"0x%X (errno)", {0x3d0004}, "0x3D0004 (errno)"},
        {"%d %d", {1}, "1 0"},
        {"%f", {3}, "3"},
        {"tail %", {}, "tail %"},
        {"%y", {}, "%y"},
        {"%n%d", {0, 5}, "5"},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(c.expected,
                  platform::formatLog(c.fmt, c.args.data(), static_cast<int>(c.args.size())))
            << c.fmt;
    EXPECT_EQ("", platform::formatLog(nullptr, nullptr, 0));
}

TEST(Console, MessagesAreFormattedAtCallTimeAndWrittenInOrder) {
    std::mutex mutex;
    std::vector<std::string> lines;
    platform::setConsoleSink([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    });
    {
        std::string temporary = "gone soon";
        EXPECT_EQ(12, logMsg("<%s>\n", reinterpret_cast<_Vx_usr_arg_t>(temporary.c_str()), 0, 0, 0,
                             0, 0));
        temporary.assign(100, 'x');
    }
    for (int i = 0; i < 100; ++i) logMsg("%d\n", i, 0, 0, 0, 0, 0);
    platform::flushConsole();
    platform::setConsoleSink(nullptr);
    ASSERT_EQ(101u, lines.size());
    EXPECT_EQ("<gone soon>\n", lines[0]);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(std::to_string(i) + "\n", lines[i + 1]);
}

}  // namespace
