// Extracts one archive through the exported Untar on a unit whose medium and
// card are host folders, and prints the time taken and the peak memory.
//
//   untgz_bench_driver <archive host path> <output host folder> [tick in us]
//
// The tick is 10 us by default, as in the tests: the extractor's fixed wait
// of 50 ticks at its end (100 ms at the unit's 2 ms tick) is then not counted
// as extraction time.
#include <C_UNTGZ.h>

#include <platform/sim.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s <archive> <output folder> [tick in us]\n", argv[0]);
        return 2;
    }
    platform::setTickMicros(argc == 4 ? std::atol(argv[3]) : 10);
    fs::path archive = fs::absolute(argv[1]);
    fs::create_directories(argv[2]);
    platform::DeviceOptions fat;
    fat.fat = true;
    if (!platform::addDevice("/bd0", archive.parent_path().string(), fat) ||
        !platform::addDevice("/sdhc:0", fs::absolute(argv[2]).string(), fat)) {
        std::fprintf(stderr, "cannot map the folders\n");
        return 2;
    }
    platform::setConsoleSink([](const std::string&) {});
    std::string unitArchive = "/bd0/" + archive.filename().string();

    auto start = std::chrono::steady_clock::now();
    int result = Untar(unitArchive.c_str(), "/sdhc:0/MAPPE/TEMP_", 0, 1);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    platform::flushConsole();

    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("result=%d seconds=%.4f maxrss_kb=%ld\n", result, seconds, usage.ru_maxrss);
    return result == 0 ? 0 : 1;
}
