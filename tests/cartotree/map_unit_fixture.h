/*
 * A temporary unit for the map plugin and its cartography tree: host folders
 * mapped as the medium "/bd0", the card "/sdhc:0", "/SYSTEM" and
 * "/SYSTEM_TMP_DATA", an upgrade manager, a short tick and the console
 * captured. The plugin is created on demand with the medium's root "/bd0/".
 */
#ifndef TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H
#define TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <C_MAP_UPG_CARTOTREE.h>
#include <C_MAP_UPG_PLUGIN.h>
#include <host/simulation.h>
#include <platform/sim.h>

class MapUnitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setTickMicros(10);
        host::reset();
        char l_template[] = "/tmp/map_unit_XXXXXX";
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
    }

    void TearDown() override {
        DestroyPlugin();
        platform::flushConsole();
        platform::setConsoleSink(nullptr);
        platform::removeAllDevices();
        host::reset();
        std::error_code l_error;
        std::filesystem::remove_all(m_root, l_error);
    }

    /* The plugin, as the manager creates it; its step log is open afterwards. */
    C_MAP_UPG_PLUGIN* CreatePlugin() {
        upgplugin_GetInstance(CMMString("/bd0/"));
        return C_MAP_UPG_PLUGIN::m_pInstance;
    }

    void DestroyPlugin() {
        C_MAP_UPG_PLUGIN* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
        if (l_plugin != nullptr) {
            l_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP);
            delete l_plugin;
        }
        C_MAP_UPG_PLUGIN::m_pInstance = nullptr;
    }

    std::string MakeDir(const std::string& p_relative) {
        std::string l_path = m_root + "/" + p_relative;
        std::filesystem::create_directories(l_path);
        return l_path;
    }

    std::string HostPath(const std::string& p_unit_path) {
        std::string l_host = platform::hostPath(p_unit_path);
        EXPECT_FALSE(l_host.empty()) << p_unit_path;
        return l_host;
    }

    /* Writes a file at a unit path, its folders created. */
    void WriteUnitFile(const std::string& p_unit_path, const std::string& p_content) {
        std::string l_host = HostPath(p_unit_path);
        std::filesystem::create_directories(std::filesystem::path(l_host).parent_path());
        std::ofstream l_out(l_host, std::ios::binary);
        l_out << p_content;
    }

    void MakeUnitDir(const std::string& p_unit_path) {
        std::filesystem::create_directories(HostPath(p_unit_path));
    }

    void RemoveUnitPath(const std::string& p_unit_path) {
        std::error_code l_error;
        std::filesystem::remove_all(HostPath(p_unit_path), l_error);
    }

    /* True when a system-log entry contains the text. */
    static bool Logged(const std::string& p_text) { return host::syslogContains(p_text); }

    static int CountLogged(const std::string& p_text) {
        int l_count = 0;
        for (const std::string& l_line : host::syslogLines()) {
            if (l_line.find(p_text) != std::string::npos) {
                l_count++;
            }
        }
        return l_count;
    }

    std::vector<std::string> Console() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_guard(m_console_mutex);
        return m_console;
    }

    static std::string Text(const CMMString& p_text) { return std::string(p_text.GetBuffer()); }

    std::string m_root;
    std::mutex m_console_mutex;
    std::vector<std::string> m_console;
};

#endif /* TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H */
