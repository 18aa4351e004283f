/*
 * A temporary unit for the frame's services: host folders mapped as the
 * medium "/bd0", the card "/sdhc:0", "/SYSTEM" and "/SYSTEM_TMP_DATA", a
 * manager, a short tick, a console capture, and a minimal concrete plugin.
 */
#ifndef TESTS_FRAME_SERVICES_UNIT_FIXTURE_H
#define TESTS_FRAME_SERVICES_UNIT_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "C_UPG_PLUGIN_Interface.h"
#include "temp_unit.h"

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

class UnitTest : public TempUnitTest {
  protected:
    UnitTest() : TempUnitTest(TempUnitOptions("frame_services")) {}

    void FillUnit() override {
        m_plugin.reset(new TestPlugin());
        m_plugin->Init(CMMString("/bd0"));
        /* With the step log open, every message of the plugin reaches the system log too. */
        m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP);
        host::clearSyslog();
    }

    void TearDown() override {
        if (m_plugin) m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP);
        m_plugin.reset();
        TempUnitTest::TearDown();
    }

    std::unique_ptr<TestPlugin> m_plugin;
};

#endif /* TESTS_FRAME_SERVICES_UNIT_FIXTURE_H */
