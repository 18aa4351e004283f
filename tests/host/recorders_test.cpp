// The records and waits that plugin tests rely on, fed from other tasks.
#include "host_fixture.h"

#include <host/C_BCM_UPGRADE.h>
#include <host/simulation.h>
#include <host/systool.h>

#include <platform/kernel.h>
#include <platform/sim.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>

namespace {

int ReportTask(...) {
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    taskDelay(50);
    bcm->PluginSetProgressBar(static_cast<char>(10), 1);
    bcm->PluginSetProgressBar(static_cast<char>(-3), 1);
    bcm->PluginSetProgressBar(static_cast<char>(92), 2);
    bcm->PluginSetResultOfCheckCompatibility(UPG_PLUGIN_COMPATIBILITY_OK);
    bcm->PluginSetResultOfCheckMedia(UPG_PLUGIN_MEDIA_DATA_CORRUPTED);
    bcm->PluginSetResultOfUpgrade(UPG_PLUGIN_UPGRADE_ABORTED_BY_USER);
    bcm->PluginSetResultOfUpgrade(UPG_PLUGIN_UPGRADE_OK);
    SYSTOOL_LogMsgNoFormat(false, "%ld - (Reporter) done %s", static_cast<long>(tickGet()), "!");
    bcm->PluginUnloadUpgradePlugin();
    return 0;
}

}  // namespace

TEST_F(HostTest, ManagerExistsOnlyWhenCreated) {
    EXPECT_EQ(C_BCM_UPGRADE::Instance(), nullptr);
    host::createManager();
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    EXPECT_NE(bcm, nullptr);
    host::destroyManager();
    EXPECT_EQ(C_BCM_UPGRADE::Instance(), nullptr);
    host::createManager();
    EXPECT_EQ(C_BCM_UPGRADE::Instance(), bcm);
}

TEST_F(HostTest, WaitsSeeReportsFromAnotherTask) {
    host::createManager();
    std::atomic<int> unloads{0};
    std::promise<void> unloaded;
    host::setUnloadHandler([&] {
        if (++unloads == 1) unloaded.set_value();
    });
    host::setResult(host::Op::ResultOfCheckMedia, -1);

    const unsigned long before = tickGet();
    ASSERT_GT(taskSpawn("tReport", 100, 0, 20000, ReportTask, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);

    int value = 0;
    ASSERT_TRUE(host::waitForResult(host::Op::ResultOfUpgrade, 5000, &value, 2));
    EXPECT_EQ(value, UPG_PLUGIN_UPGRADE_OK);
    ASSERT_TRUE(host::waitForResult(host::Op::ResultOfUpgrade, 0, &value, 1));
    EXPECT_EQ(value, UPG_PLUGIN_UPGRADE_ABORTED_BY_USER);
    ASSERT_TRUE(host::waitForResult(host::Op::ResultOfCheckCompatibility, 0, &value));
    EXPECT_EQ(value, 5);
    ASSERT_TRUE(host::waitForSyslog("(Reporter) done !", 5000));
    ASSERT_TRUE(host::waitForCall(host::Op::UnloadPlugin, 5000));

    std::vector<host::Call> media = host::calls(host::Op::ResultOfCheckMedia);
    ASSERT_EQ(media.size(), 1u);
    EXPECT_EQ(media[0].a, UPG_PLUGIN_MEDIA_DATA_CORRUPTED);
    EXPECT_GE(media[0].tick, before + 50);

    std::vector<std::pair<int, int>> expected = {{10, 1}, {-3, 1}, {92, 2}};
    EXPECT_EQ(host::progress(), expected);

    // The handler runs after the call is recorded, in the caller's task.
    ASSERT_EQ(unloaded.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(unloads.load(), 1);

    EXPECT_FALSE(host::waitForResult(host::Op::ResultOfUpgrade, 10, &value, 3));
    EXPECT_FALSE(host::waitForCall(host::Op::EndOfUpgrade, 10));
    host::clearCalls();
    EXPECT_TRUE(host::calls().empty());
}

TEST_F(HostTest, SystemLogKeepsEntriesAndWritesTheUnitFile) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - ============> Upgrade carto : _init", 42L);
    SYSTOOL_LogMsgNoFormat(true, "%s", std::string(2000, 'l').c_str());
    SYSTOOL_logError("C_UPG_PLUGIN_Interface", "Constructor", "C_BCM_UPGRADE Pointer is null", 6);
    SYSTOOL_logError(nullptr, nullptr, nullptr, 0);

    std::vector<std::string> lines = host::syslogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "42 - ============> Upgrade carto : _init");
    EXPECT_EQ(lines[1].size(), 2000u);
    EXPECT_NE(lines[2].find("C_BCM_UPGRADE Pointer is null"), std::string::npos);
    EXPECT_NE(lines[2].find("Constructor"), std::string::npos);
    EXPECT_TRUE(host::syslogContains("_init"));
    EXPECT_FALSE(host::waitForSyslog("never logged", 10));

    std::ifstream file(HostFolder("tmpdata/syslog.txt"));
    std::stringstream stream;
    stream << file.rdbuf();
    const std::string content = stream.str();
    EXPECT_EQ(content.substr(0, 41), "42 - ============> Upgrade carto : _init\n");
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 4);

    host::clearSyslog();
    EXPECT_TRUE(host::syslogLines().empty());
    host::setSyslogFile("");
    SYSTOOL_LogMsgNoFormat(false, "only in memory");
    EXPECT_EQ(host::syslogLines().size(), 1u);
}

TEST_F(HostTest, SystemLogWithoutItsDeviceStaysInMemory) {
    platform::removeAllDevices();
    SYSTOOL_LogMsgNoFormat(false, "%ld - no device", 1L);
    EXPECT_TRUE(host::syslogContains("no device"));
}

// The plugin's message adds no data to the host's message.
static_assert(sizeof(C_BCM_UPGRADE_msg_plugin) == sizeof(C_ActiveMessage),
              "the plugin message carries the base message's members only");

TEST_F(HostTest, PluginMessageCopiesCarryBothDataMembers) {
    C_BCM_UPGRADE_msg_plugin message(0xCAFEu);
    const unsigned char one = 0x7F;
    const uint16_t two = 0xBEEF;
    EXPECT_EQ(message.SetData(&one, 1), 0);
    int value = 0;
    EXPECT_EQ(message.GetData(value), 0);
    EXPECT_EQ(value, 0x7F);
    EXPECT_EQ(message.SetData(&two, 2), 0);
    EXPECT_EQ(message.SetData(&two, 4), -1);
    EXPECT_EQ(message.SetData(nullptr, 2), -1);

    C_BCM_UPGRADE_msg_plugin copy(message);
    C_ActiveMessage& base = copy;
    EXPECT_EQ(base.GetMsgContent(), 0xCAFEu);
    EXPECT_EQ(base.GetData(value), 0);
    EXPECT_EQ(value, 0xBEEF);
}
