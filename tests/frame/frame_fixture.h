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
#include <string>

#include <C_UPG_PLUGIN_Interface.h>
#include <host/simulation.h>
#include <platform/fileio.h>
#include <platform/kernel.h>
#include <platform/sim.h>

#include "temp_unit.h"

namespace frame_test {

namespace fs = std::filesystem;

using temp_unit::ReadHostFile;
using temp_unit::WriteHostFile;

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

/* Descriptors open in this process (streams included). */
inline size_t OpenDescriptors() {
    size_t l_count = 0;
    for (const auto& l_entry : fs::directory_iterator("/proc/self/fd")) {
        (void)l_entry;
        l_count++;
    }
    return l_count;
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

class FrameTest : public TempUnitTest {
  protected:
    FrameTest() : TempUnitTest(TempUnitOptions("frame_test")) {}

    void FillUnit() override {
        /* The frame's lines stay in memory only. */
        host::setSyslogFile("");
        SetMediaVersion("20104");
    }

    /* The unit's "/SYSTEM/Data_base/media.inf", as a host path. */
    fs::path MediaInfFile() const { return m_root / "system/Data_base/media.inf"; }

    void SetMediaVersion(const std::string& p_version) {
        WriteHostFile(MediaInfFile(), "VER=" + p_version + "\n");
    }

    fs::path SpyFolder() const { return m_root / "tmpdata/spy/UPG"; }
};

}  // namespace frame_test

#endif /* TESTS_FRAME_FRAME_FIXTURE_H */
