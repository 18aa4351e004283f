#include "host_fixture.h"

#include <host/simulation.h>
#include <platform/sim.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

void HostTest::SetUp() {
    platform::setTickMicros(10);
    char templ[] = "/tmp/host_tests_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    m_root = templ;
    std::filesystem::create_directories(m_root + "/bd0");
    std::filesystem::create_directories(m_root + "/tmpdata");
    platform::DeviceOptions fat;
    fat.fat = true;
    ASSERT_TRUE(platform::addDevice("/bd0", m_root + "/bd0", fat));
    ASSERT_TRUE(platform::addDevice("/SYSTEM_TMP_DATA", m_root + "/tmpdata"));
    host::reset();
}

void HostTest::TearDown() {
    host::reset();
    platform::removeAllDevices();
    platform::unhideAllSymbols();
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::string HostTest::WriteMedium(const std::string& name, const std::string& bytes) {
    std::ofstream out(m_root + "/bd0/" + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return "/bd0/" + name;
}
