// Cost of the kernel calls on the extractor's hot path: one writer task per
// 64 KiB block, spawned, then awaited on a binary semaphore.
#include <platform/kernel.h>
#include <platform/sim.h>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

// Context switches of the whole process: every blocking hand-over costs at
// least one, so this counts the wake-ups that a loaded machine turns into time.
long contextSwitches() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

void reportSwitches(benchmark::State& state, long before) {
    state.counters["switches"] = benchmark::Counter(static_cast<double>(contextSwitches() - before),
                                                    benchmark::Counter::kAvgIterations);
}

int giveBack(_Vx_usr_arg_t sem, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
             _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    semGive(reinterpret_cast<SEM_ID>(sem));
    return 0;
}

// taskSpawn + semGive in the task + semTake in the spawner, as the extractor does per block.
void SpawnGiveTake(benchmark::State& state) {
    SEM_ID done = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    long before = contextSwitches();
    for (auto _ : state) {
        int tid =
            taskSpawn("TarWrtTask", 155, VX_FP_TASK, 20000, reinterpret_cast<FUNCPTR>(giveBack),
                      reinterpret_cast<_Vx_usr_arg_t>(done), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        if (tid == ERROR || semTake(done, WAIT_FOREVER) != OK) {
            state.SkipWithError("spawn or take failed");
            break;
        }
    }
    reportSwitches(state, before);
    semDelete(done);
}
BENCHMARK(SpawnGiveTake)->UseRealTime();

struct PingPong {
    SEM_ID ping;
    SEM_ID pong;
};

int ponger(_Vx_usr_arg_t p, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
           _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    PingPong* pp = reinterpret_cast<PingPong*>(p);
    while (semTake(pp->ping, WAIT_FOREVER) == OK) semGive(pp->pong);
    return 0;
}

// A give that wakes a blocked task, and back: two hand-overs per iteration.
void SemaphorePingPong(benchmark::State& state) {
    PingPong pp{semBCreate(SEM_Q_FIFO, SEM_EMPTY), semBCreate(SEM_Q_FIFO, SEM_EMPTY)};
    int tid = taskSpawn("tPong", 100, 0, 0, reinterpret_cast<FUNCPTR>(ponger),
                        reinterpret_cast<_Vx_usr_arg_t>(&pp), 0, 0, 0, 0, 0, 0, 0, 0, 0);
    long before = contextSwitches();
    for (auto _ : state) {
        semGive(pp.ping);
        semTake(pp.pong, WAIT_FOREVER);
    }
    reportSwitches(state, before);
    semDelete(pp.ping);  // ends the ponger
    while (taskIdVerify(tid) == OK) taskDelay(1);
    semDelete(pp.pong);
}
BENCHMARK(SemaphorePingPong)->UseRealTime();

// Uncontended take and give on one task.
void SemaphoreGiveTake(benchmark::State& state) {
    SEM_ID sem = semBCreate(SEM_Q_FIFO, SEM_EMPTY);
    for (auto _ : state) {
        semGive(sem);
        semTake(sem, NO_WAIT);
    }
    semDelete(sem);
}
BENCHMARK(SemaphoreGiveTake);

}  // namespace

int main(int argc, char** argv) {
    platform::setTickMicros(10);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
