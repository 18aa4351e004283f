// Feeds arbitrary archives to the extractor on a temporary unit and fails
// when anything appears outside the destination.
//
// First input byte: bit 0 set = the rest is a tar that the harness gzips
// first (so mutations reach the tar records), else the rest is the .BIN file
// as is; bit 1 = listing mode.
#include <C_UNTGZ.h>

#include <platform/sim.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tar_writer.h"

namespace fs = std::filesystem;

namespace {

fs::path g_root;

void setUpUnit() {
    std::string tmpl = (fs::temp_directory_path() / "untgz_fuzz_XXXXXX").string();
    if (mkdtemp(&tmpl[0]) == nullptr) abort();
    g_root = tmpl;
    fs::create_directories(g_root / "medium");
    fs::create_directories(g_root / "card/MAPPE");
    platform::setTickMicros(10);
    platform::DeviceOptions fat;
    fat.fat = true;
    if (!platform::addDevice("/bd0", (g_root / "medium").string(), fat)) abort();
    // A bounded card keeps gzip bombs from filling the host's disk.
    fat.capacity = 32 << 20;
    if (!platform::addDevice("/sdhc:0", (g_root / "card").string(), fat)) abort();
    platform::setConsoleSink([](const std::string&) {});
    atexit([] {
        platform::flushConsole();
        std::error_code ec;
        fs::remove_all(g_root, ec);
    });
}

void checkNothingOutside() {
    for (const auto& e : fs::recursive_directory_iterator(g_root)) {
        std::string rel = fs::relative(e.path(), g_root).generic_string();
        if (rel == "medium" || rel == "medium/A.BIN" || rel == "card" || rel == "card/MAPPE" ||
            rel.rfind("card/MAPPE/TEMP_", 0) == 0)
            continue;
        fprintf(stderr, "written outside the destination: %s\n", rel.c_str());
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setUpUnit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) body = tarw::gzip(body, 1);
    {
        std::ofstream out(g_root / "medium/A.BIN", std::ios::binary | std::ios::trunc);
        out << body;
    }
    int result = C_UNTGZ::GetInstance()->Untar("/bd0/A.BIN", "/sdhc:0/MAPPE/TEMP_",
                                               (data[0] & 2) ? 1 : 0, 1);
    if (result != 0 && result != -1) abort();
    unsigned long long bytes = 1;
    if (C_UNTGZ::GetInstance()->GetProgression(bytes) != -1 || bytes != 0) abort();
    checkNothingOutside();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(g_root / "card/MAPPE"))
        fs::remove_all(e.path(), ec);
    platform::flushConsole();
    return 0;
}
