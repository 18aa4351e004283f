/*
 * A temporary unit for the frame's services: host folders mapped as the
 * medium "/bd0", the card "/sdhc:0", "/SYSTEM" and "/SYSTEM_TMP_DATA", a
 * manager, a short tick, a console capture, and a minimal concrete plugin.
 */
#ifndef TESTS_FRAME_SERVICES_UNIT_FIXTURE_H
#define TESTS_FRAME_SERVICES_UNIT_FIXTURE_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <host/simulation.h>
#include <platform/sim.h>

#include "C_UPG_PLUGIN_Interface.h"

/* Every pure operation answers trivially: only the base class's services are under test. */
class TestPlugin : public C_UPG_PLUGIN_Interface {
  public:
    int GetVersionOfInterface() override { return 0; }
    int GetVersionOfPlugin() override { return 0; }
    int GetNumberOfInfos() override { return 0; }
    void GetSubVersionOfPlugin(CMMString&) override {}
    void GetOldVersionOfData(CMMString&) override {}
    void GetVersionOfData(CMMString&) override {}
    void GetIdentifier(CMMString&) override {}
    void CheckCompatibilityTask() override {}
    void CheckMediaTask() override {}
    void UpgradeTask() override {}
    void EndOfUpgradeTask() override {}
    void SetIndexOfInfos(int) override {}
    void ResetElementsToUpgrade() override {}
    long long GetOldSizeOfData() override { return 0; }
    long long GetSizeOfData() override { return 0; }
    int ShowStatus() override { return 0; }
    int CancelCurrentAction() override { return 0; }
    int EndOfExternalTreatment() override { return 0; }
    int GetUpgradeName(CMMString&) override { return 0; }
    int GetUpgradeType() override { return 0; }
    void PushElements(const std::string&, const long long&, const std::string&) override {}
};

class UnitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setTickMicros(10);
        host::reset();
        char l_template[] = "/tmp/frame_services_XXXXXX";
        ASSERT_NE(mkdtemp(l_template), nullptr);
        m_root = l_template;
        platform::DeviceOptions l_fat;
        l_fat.fat = true;
        ASSERT_TRUE(platform::addDevice("/bd0", MakeDir("bd0"), l_fat));
        ASSERT_TRUE(platform::addDevice("/sdhc:0", MakeDir("sdhc"), l_fat));
        ASSERT_TRUE(platform::addDevice("/SYSTEM", MakeDir("system")));
        ASSERT_TRUE(platform::addDevice("/SYSTEM_TMP_DATA", MakeDir("tmpdata")));
        host::createManager();
        platform::setConsoleSink([this](const std::string& p_line) {
            std::lock_guard<std::mutex> l_guard(m_console_mutex);
            m_console.push_back(p_line);
        });
        m_plugin.reset(new TestPlugin());
        m_plugin->Init(CMMString("/bd0"));
        /* With the step log open, every message of the plugin reaches the system log too. */
        m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP);
        host::clearSyslog();
    }

    void TearDown() override {
        if (m_plugin) m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP);
        m_plugin.reset();
        platform::flushConsole();
        platform::setConsoleSink(nullptr);
        platform::unhideAllSymbols();
        platform::removeAllDevices();
        host::reset();
        std::error_code l_error;
        std::filesystem::remove_all(m_root, l_error);
    }

    /* Host path of a folder of the temporary unit, created. */
    std::string MakeDir(const std::string& p_relative) {
        std::string l_path = m_root + "/" + p_relative;
        std::filesystem::create_directories(l_path);
        return l_path;
    }

    /* Writes a file at a unit path (its folders created). */
    void WriteUnitFile(const std::string& p_unit_path, const std::string& p_content) {
        std::string l_host = HostPath(p_unit_path);
        std::filesystem::create_directories(std::filesystem::path(l_host).parent_path());
        std::ofstream l_out(l_host, std::ios::binary);
        l_out << p_content;
    }

    void MakeUnitDir(const std::string& p_unit_path) {
        std::filesystem::create_directories(HostPath(p_unit_path));
    }

    bool UnitExists(const std::string& p_unit_path) {
        return std::filesystem::exists(HostPath(p_unit_path));
    }

    std::string HostPath(const std::string& p_unit_path) {
        std::string l_host = platform::hostPath(p_unit_path);
        EXPECT_FALSE(l_host.empty()) << p_unit_path;
        return l_host;
    }

    std::vector<std::string> Console() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_guard(m_console_mutex);
        return m_console;
    }

    bool ConsoleContains(const std::string& p_text) {
        for (const std::string& l_line : Console()) {
            if (l_line.find(p_text) != std::string::npos) return true;
        }
        return false;
    }

    static size_t SyslogCount(const std::string& p_text) {
        std::vector<std::string> l_lines = host::syslogLines();
        return std::count_if(l_lines.begin(), l_lines.end(), [&](const std::string& p_line) {
            return p_line.find(p_text) != std::string::npos;
        });
    }

    std::string m_root;
    std::unique_ptr<TestPlugin> m_plugin;
    std::mutex m_console_mutex;
    std::vector<std::string> m_console;
};

#endif /* TESTS_FRAME_SERVICES_UNIT_FIXTURE_H */
