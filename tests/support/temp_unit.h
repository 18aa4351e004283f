/*
 * A temporary unit for the test programs: a fresh host folder per test
 * (mkdtemp, so parallel test processes never share one) whose sub-folders are
 * mapped as the unit's devices, a short tick, the simulated services at their
 * defaults, optionally a manager, and the console captured.
 */
#ifndef TESTS_SUPPORT_TEMP_UNIT_H
#define TESTS_SUPPORT_TEMP_UNIT_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <host/simulation.h>
#include <platform/sim.h>

namespace temp_unit {

inline std::string ReadHostFile(const std::filesystem::path& p_path) {
    std::ifstream l_in(p_path, std::ios::binary);
    std::stringstream l_text;
    l_text << l_in.rdbuf();
    return l_text.str();
}

/* Writes the whole file, its folders created. */
inline void WriteHostFile(const std::filesystem::path& p_path, const std::string& p_text) {
    std::filesystem::create_directories(p_path.parent_path());
    std::ofstream l_out(p_path, std::ios::binary | std::ios::trunc);
    l_out << p_text;
}

}  // namespace temp_unit

/* What a fixture's unit holds besides the medium "/bd0" and "/SYSTEM_TMP_DATA". */
struct TempUnitOptions {
    explicit TempUnitOptions(const char* p_prefix = "temp_unit") : prefix(p_prefix) {}

    /* Start of the temporary folder's name. */
    const char* prefix;
    /* The card "/sdhc:0" (FAT) and "/SYSTEM" mapped too. */
    bool card_and_system = true;
    /* An upgrade manager present from the start. */
    bool manager = true;
    /* Console lines kept for Console() and ConsoleContains(). */
    bool capture_console = true;
};

/*
 * Host folders under m_root: "bd0" -> "/bd0" (FAT), "sdhc" -> "/sdhc:0" (FAT),
 * "system" -> "/SYSTEM", "tmpdata" -> "/SYSTEM_TMP_DATA".
 */
class TempUnitTest : public ::testing::Test {
  protected:
    explicit TempUnitTest(TempUnitOptions p_options = TempUnitOptions()) : m_options(p_options) {}

    /* Maps the unit, then lets the fixture fill it (FillUnit) if nothing failed. */
    void SetUp() override {
        platform::setTickMicros(10);
        platform::removeAllDevices();
        host::reset();
        std::string l_template =
            (std::filesystem::temp_directory_path() / (std::string(m_options.prefix) + "_XXXXXX"))
                .string();
        ASSERT_NE(mkdtemp(&l_template[0]), nullptr) << l_template;
        m_root = l_template;
        platform::DeviceOptions l_fat;
        l_fat.fat = true;
        ASSERT_TRUE(platform::addDevice("/bd0", MakeDir("bd0"), l_fat));
        if (m_options.card_and_system) {
            ASSERT_TRUE(platform::addDevice("/sdhc:0", MakeDir("sdhc"), l_fat));
            ASSERT_TRUE(platform::addDevice("/SYSTEM", MakeDir("system")));
        }
        ASSERT_TRUE(platform::addDevice("/SYSTEM_TMP_DATA", MakeDir("tmpdata")));
        if (m_options.manager) {
            host::createManager();
        }
        if (m_options.capture_console) {
            platform::setConsoleSink([this](const std::string& p_line) {
                std::lock_guard<std::mutex> l_guard(m_console_mutex);
                m_console.push_back(p_line);
            });
        }
        FillUnit();
    }

    /* What a fixture adds once the unit is mapped (files, a plugin). */
    virtual void FillUnit() {}

    /* Derived fixtures release what uses the unit (plugins, modules) before calling this. */
    void TearDown() override {
        platform::flushConsole();
        platform::setConsoleSink(nullptr);
        host::reset();
        platform::removeAllDevices();
        platform::unhideAllSymbols();
        if (!m_root.empty()) {
            std::error_code l_error;
            std::filesystem::remove_all(m_root, l_error);
        }
    }

    /* Host path of a folder under the temporary root, created. */
    std::string MakeDir(const std::string& p_relative) {
        std::filesystem::path l_path = m_root / p_relative;
        std::filesystem::create_directories(l_path);
        return l_path.string();
    }

    /* Host path of a unit path; a path outside every device fails the test. */
    std::string HostPath(const std::string& p_unit_path) {
        std::string l_host = platform::hostPath(p_unit_path);
        EXPECT_FALSE(l_host.empty()) << p_unit_path;
        return l_host;
    }

    /* Writes a file at a unit path, its folders created. */
    void WriteUnitFile(const std::string& p_unit_path, const std::string& p_content) {
        temp_unit::WriteHostFile(HostPath(p_unit_path), p_content);
    }

    void MakeUnitDir(const std::string& p_unit_path) {
        std::filesystem::create_directories(HostPath(p_unit_path));
    }

    bool UnitExists(const std::string& p_unit_path) {
        return std::filesystem::exists(HostPath(p_unit_path));
    }

    void RemoveUnitPath(const std::string& p_unit_path) {
        std::error_code l_error;
        std::filesystem::remove_all(HostPath(p_unit_path), l_error);
    }

    /* Console lines so far, once every queued message is written. */
    std::vector<std::string> Console() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_guard(m_console_mutex);
        return m_console;
    }

    bool ConsoleContains(const std::string& p_text) {
        for (const std::string& l_line : Console()) {
            if (l_line.find(p_text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    void ClearConsole() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_guard(m_console_mutex);
        m_console.clear();
    }

    /* True when a system-log entry contains the text. */
    static bool SyslogContains(const std::string& p_text) { return host::syslogContains(p_text); }

    /* System-log entries that contain the text. */
    static size_t SyslogCount(const std::string& p_text) {
        std::vector<std::string> l_lines = host::syslogLines();
        return static_cast<size_t>(std::count_if(
            l_lines.begin(), l_lines.end(),
            [&](const std::string& p_line) { return p_line.find(p_text) != std::string::npos; }));
    }

    TempUnitOptions m_options;
    std::filesystem::path m_root;
    std::mutex m_console_mutex;
    std::vector<std::string> m_console;
};

#endif /* TESTS_SUPPORT_TEMP_UNIT_H */
