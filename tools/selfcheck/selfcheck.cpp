// Quick health check of the simulated unit: a device, a task, a file.
#include <platform/fileio.h>
#include <platform/kernel.h>
#include <platform/sim.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

struct Job {
    SEM_ID done;
    int result;
};

int writeAndRead(_Vx_usr_arg_t arg, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                 _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t) {
    Job* job = reinterpret_cast<Job*>(arg);
    job->result = -1;
    const char text[] = "selfcheck payload\n";
    FILE* out = fsFopen("/sdhc:0/SELF/check.txt", "w");
    if (out != nullptr) {
        fputs(text, out);
        if (fclose(out) == 0) {
            FILE* in = fsFopen("/sdhc:0/self/CHECK.TXT", "r");
            char line[64] = {};
            if (in != nullptr) {
                if (fgets(line, sizeof line, in) != nullptr && strcmp(line, text) == 0)
                    job->result = 0;
                fclose(in);
            }
        }
    }
    semGive(job->done);
    return 0;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/platform_selfcheck_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::printf("platform selfcheck: FAILED (no temporary folder)\n");
        return 1;
    }
    std::string root = pattern;
    platform::DeviceOptions fat;
    fat.fat = true;
    bool ok = platform::addDevice("/sdhc:0", root, fat) && fsMkdir("/sdhc:0/SELF", 0) == 0;
    Job job{semBCreate(SEM_Q_FIFO, SEM_EMPTY), -1};
    int tid = -1;
    if (ok && job.done != nullptr) {
        tid = taskSpawn("tSelfChk", 100, VX_FP_TASK, 20000, reinterpret_cast<FUNCPTR>(writeAndRead),
                        reinterpret_cast<_Vx_usr_arg_t>(&job), 0, 0, 0, 0, 0, 0, 0, 0, 0);
        ok = tid > 0 && semTake(job.done, 10 * sysClkRateGet()) == OK && job.result == 0;
    } else {
        ok = false;
    }
    semDelete(job.done);
    platform::removeAllDevices();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::printf("platform selfcheck: %s (task %d, tick %ld us)\n", ok ? "OK" : "FAILED", tid,
                platform::tickMicros());
    return ok ? 0 : 1;
}
