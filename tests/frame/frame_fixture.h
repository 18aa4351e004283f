/*
 * A temporary unit for the frame tests: host folders mapped as the unit's
 * devices, a short tick, the simulated manager, the console captured, and a
 * small plugin whose steps the tests drive.
 */
#ifndef TESTS_FRAME_FRAME_FIXTURE_H
#define TESTS_FRAME_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include <C_UPG_PLUGIN_Interface.h>
#include <host/simulation.h>
#include <platform/fileio.h>
#include <platform/kernel.h>
#include <platform/sim.h>

namespace frame_test {

namespace fs = std::filesystem;

inline std::string ReadHostFile(const fs::path& p_path) {
    std::ifstream l_in(p_path, std::ios::binary);
    std::stringstream l_text;
    l_text << l_in.rdbuf();
    return l_text.str();
}

inline void WriteHostFile(const fs::path& p_path, const std::string& p_text) {
    fs::create_directories(p_path.parent_path());
    std::ofstream l_out(p_path, std::ios::binary | std::ios::trunc);
    l_out << p_text;
}

/* Waits (bounded) until the condition holds; polls with one-tick delays. */
template <class Condition>
bool WaitUntil(Condition p_condition, long p_timeout_ms = 5000) {
    auto l_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(p_timeout_ms);
    while (!p_condition()) {
        if (std::chrono::steady_clock::now() > l_end) {
            return false;
        }
        taskDelay(1);
    }
    return true;
}

/* The task id guard, read as the step tasks write it. */
inline int TaskId(C_UPG_PLUGIN_Interface& p_plugin) {
    return __atomic_load_n(&p_plugin.m_plugin_upgrade_task_ID, __ATOMIC_ACQUIRE);
}

enum class Step { Compatibility, Media, Upgrade, EndOfUpgrade };

/* A plugin whose step bodies record themselves and may block or pull the medium out. */
class TestPlugin : public C_UPG_PLUGIN_Interface {
  public:
    explicit TestPlugin(const CMMString& p_root)
        : m_started(semBCreate(SEM_Q_FIFO, SEM_EMPTY)), m_gate(semBCreate(SEM_Q_FIFO, SEM_EMPTY)) {
        Init(p_root);
    }
    ~TestPlugin() override {
        semDelete(m_started);
        semDelete(m_gate);
    }

    int GetVersionOfInterface() override { return 6; }
    int GetVersionOfPlugin() override { return 100; }
    int GetNumberOfInfos() override { return 0; }
    void GetSubVersionOfPlugin(CMMString& p_out) override { p_out = m_plugin_sub_version; }
    void GetOldVersionOfData(CMMString&) override {}
    void GetVersionOfData(CMMString&) override {}
    void GetIdentifier(CMMString&) override {}
    void CheckCompatibilityTask() override { Body(Step::Compatibility); }
    void CheckMediaTask() override { Body(Step::Media); }
    void UpgradeTask() override { Body(Step::Upgrade); }
    void EndOfUpgradeTask() override { Body(Step::EndOfUpgrade); }
    void SetIndexOfInfos(int) override {}
    void ResetElementsToUpgrade() override {}
    long long GetOldSizeOfData() override { return 0; }
    long long GetSizeOfData() override { return 0; }
    int ShowStatus() override { return 0; }
    int CancelCurrentAction() override { return -1; }
    int EndOfExternalTreatment() override { return 0; }
    int GetUpgradeName(CMMString&) override { return 0; }
    int GetUpgradeType() override { return 0; }
    void PushElements(const std::string&, const long long&, const std::string&) override {}

    /* Steps started so far. */
    int Runs() const { return m_runs.load(); }
    int LastTask() const { return m_last_task.load(); }
    /* Waits until a step body has started. */
    bool WaitStarted() { return semTake(m_started, 500000) == OK; }
    /* Lets a blocked step body end. */
    void Release() { semGive(m_gate); }

    std::atomic<bool> m_block{false};
    std::atomic<bool> m_pull_medium{false};

  private:
    void Body(Step) {
        m_last_task = taskIdSelf();
        m_runs++;
        semGive(m_started);
        if (m_pull_medium) {
            platform::setDevicePresent("/bd0", false);
        }
        if (m_block) {
            semTake(m_gate, WAIT_FOREVER);
        }
    }

    SEM_ID m_started;
    SEM_ID m_gate;
    std::atomic<int> m_runs{0};
    std::atomic<int> m_last_task{0};
};

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::setTickMicros(10);
        m_root = fs::temp_directory_path() /
                 ("frame_test_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        for (const char* l_dir : {"bd0", "sdhc0", "SYSTEM", "SYSTEM_TMP_DATA"}) {
            fs::create_directories(m_root / l_dir);
        }
        platform::removeAllDevices();
        platform::DeviceOptions l_fat;
        l_fat.fat = true;
        ASSERT_TRUE(platform::addDevice("/bd0", (m_root / "bd0").string(), l_fat));
        ASSERT_TRUE(platform::addDevice("/sdhc:0", (m_root / "sdhc0").string(), l_fat));
        ASSERT_TRUE(platform::addDevice("/SYSTEM", (m_root / "SYSTEM").string()));
        ASSERT_TRUE(platform::addDevice("/SYSTEM_TMP_DATA", (m_root / "SYSTEM_TMP_DATA").string()));

        host::reset();
        host::setSyslogFile("");
        host::createManager();
        platform::unhideAllSymbols();
        platform::setConsoleSink([this](const std::string& p_line) {
            std::lock_guard<std::mutex> l_lock(m_console_mutex);
            m_console.push_back(p_line);
        });
        SetMediaVersion("20104");
    }

    void TearDown() override {
        platform::flushConsole();
        platform::setConsoleSink(nullptr);
        host::destroyManager();
        host::reset();
        platform::removeAllDevices();
        fs::remove_all(m_root);
    }

    void SetMediaVersion(const std::string& p_version) {
        WriteHostFile(m_root / "SYSTEM/Data_base/media.inf", "VER=" + p_version + "\n");
    }

    /* Console lines so far (after every queued message is written). */
    std::vector<std::string> Console() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_lock(m_console_mutex);
        return m_console;
    }
    bool ConsoleHas(const std::string& p_text) {
        for (const std::string& l_line : Console()) {
            if (l_line.find(p_text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    void ClearConsole() {
        platform::flushConsole();
        std::lock_guard<std::mutex> l_lock(m_console_mutex);
        m_console.clear();
    }

    fs::path SpyFolder() const { return m_root / "SYSTEM_TMP_DATA/spy/UPG"; }

    fs::path m_root;
    std::mutex m_console_mutex;
    std::vector<std::string> m_console;
};

}  // namespace frame_test

#endif /* TESTS_FRAME_FRAME_FIXTURE_H */
