/*
 * The base class: initialisation, the step launcher and its guard, the step
 * tasks with their notifications, and the manager calls.
 */
#include <host/C_ActiveMessage.h>
#include <host/context_data.h>

#include "frame_fixture.h"

namespace frame_test {
namespace {

using host::Op;

class StepsTest : public FrameTest {
  protected:
    std::unique_ptr<TestPlugin> MakePlugin(const char* p_root = "/bd0/") {
        return std::make_unique<TestPlugin>(CMMString(p_root));
    }

    int Launch(TestPlugin& p_plugin, Step p_step) {
        switch (p_step) {
            case Step::Compatibility:
                return p_plugin.LaunchCheckCompatibility(&p_plugin);
            case Step::Media:
                return p_plugin.LaunchCheckMedia(&p_plugin);
            case Step::Upgrade:
                return p_plugin.LaunchUpgrade(&p_plugin);
            case Step::EndOfUpgrade:
                return p_plugin.LaunchEndOfUpgrade(&p_plugin);
        }
        return -2;
    }

    /* Runs one step to its end (its task included) and returns the notifications. */
    std::vector<Op> RunStep(TestPlugin& p_plugin, Step p_step) {
        host::clearCalls();
        int l_runs = p_plugin.Runs();
        EXPECT_EQ(0, Launch(p_plugin, p_step));
        EXPECT_TRUE(WaitUntil([&] { return p_plugin.Runs() > l_runs; }));
        int l_task = p_plugin.LastTask();
        EXPECT_TRUE(WaitUntil([&] { return taskIdVerify(l_task) != OK; }));
        std::vector<Op> l_sent;
        for (const host::Call& l_call : host::calls()) {
            if (l_call.op == Op::EndOfUpgrade || l_call.op == Op::UpgradeAbortedByExtraction) {
                l_sent.push_back(l_call.op);
            }
        }
        return l_sent;
    }
};

TEST_F(StepsTest, InitReadsSubVersionAndInterfaceVersion) {
    struct Case {
        const char* media_version; /* null: no media.inf */
        bool version6;
        bool logs_error;
    };
    const Case l_cases[] = {
        {"20103", false, false}, {"20104", true, false},   {"0", false, false},
        {nullptr, false, true},  {"V20200", false, false},
    };
    WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", "VER=4.1\nSUBVER=R12\n");
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(l_case.media_version ? l_case.media_version : "(none)");
        fs::remove(MediaInfFile());
        if (l_case.media_version != nullptr) {
            SetMediaVersion(l_case.media_version);
        }
        ClearConsole();
        auto l_plugin = MakePlugin();
        EXPECT_EQ(l_case.version6, l_plugin->GetInterfaceVersion6Embedded());
        EXPECT_EQ(l_case.logs_error,
                  ConsoleContains("(C_APPLI_UPG_PLUGIN) GetValueInFile "
                                  "('/SYSTEM/Data_base/media.inf', 'VER') ERROR !!!"));
        EXPECT_STREQ("R12", l_plugin->m_plugin_sub_version.GetBuffer());
        EXPECT_STREQ("/bd0/", l_plugin->m_upgrade_root_path.GetBuffer());
        EXPECT_NE(nullptr, l_plugin->m_addr_BCM_UPG_END_OF_UPGRADE);
        EXPECT_NE(nullptr, l_plugin->m_addr_BCM_UPG_ABORTED_BY_EXTRACT);
        EXPECT_EQ(-1, l_plugin->m_iLogFile);
        EXPECT_EQ(0, l_plugin->m_plugin_partition_block_size);
    }
}

TEST_F(StepsTest, InitWithoutManagerRefusesEveryLaunch) {
    host::destroyManager();
    uint64_t l_spawned = platform::tasksSpawned();
    auto l_plugin = MakePlugin();
    EXPECT_EQ(nullptr, l_plugin->m_bcm);
    EXPECT_TRUE(l_plugin->m_upgrade_root_path.IsEmpty());
    EXPECT_TRUE(l_plugin->m_plugin_sub_version.IsEmpty());
    EXPECT_FALSE(l_plugin->GetInterfaceVersion6Embedded());
    EXPECT_TRUE(host::syslogContains("C_BCM_UPGRADE Pointer is null"));

    EXPECT_EQ(-1, l_plugin->LaunchCheckCompatibility(l_plugin.get()));
    EXPECT_EQ(-1, l_plugin->LaunchCheckMedia(l_plugin.get()));
    EXPECT_EQ(-1, l_plugin->LaunchUpgrade(l_plugin.get()));
    EXPECT_EQ(-1, l_plugin->LaunchEndOfUpgrade(l_plugin.get()));
    EXPECT_EQ(l_spawned, platform::tasksSpawned());
    EXPECT_EQ(0, TaskId(*l_plugin));
    EXPECT_TRUE(ConsoleContains("LaunchTask : m_upgrade_root_path is empty !!!!"));
    EXPECT_TRUE(
        ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (CheckCompatibilityTask) error !!\n"));
    EXPECT_TRUE(
        ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (LaunchCheckMedia) error !!!"));
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (LaunchUpgrade) error !!!"));
    EXPECT_TRUE(
        ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (LaunchEndOfUpgrade) error !!!"));

    /* Notifications without a manager return silently. */
    ClearConsole();
    l_plugin->SendUpgradeEnded();
    l_plugin->SendUpgradeAbortedByExtraction();
    EXPECT_TRUE(Console().empty());
    EXPECT_EQ(0u, host::countOf(Op::EndOfUpgrade));
}

TEST_F(StepsTest, SecondLaunchWhileAStepRunsIsRefused) {
    auto l_plugin = MakePlugin();
    l_plugin->m_block = true;
    ASSERT_EQ(0, l_plugin->LaunchCheckCompatibility(l_plugin.get()));
    ASSERT_TRUE(l_plugin->WaitStarted());

    platform::TaskInfo l_info;
    ASSERT_TRUE(platform::taskInfo(l_plugin->LastTask(), &l_info));
    EXPECT_EQ("UPG_Plug", l_info.name);
    EXPECT_EQ(150, l_info.priority);
    EXPECT_EQ(VX_FP_TASK, l_info.options);
    EXPECT_EQ(20000, l_info.stackSize);
    EXPECT_TRUE(WaitUntil([&] { return TaskId(*l_plugin) == l_plugin->LastTask(); }));

    EXPECT_EQ(-1, l_plugin->LaunchCheckMedia(l_plugin.get()));
    EXPECT_EQ(-1, l_plugin->LaunchUpgrade(l_plugin.get()));
    EXPECT_TRUE(ConsoleContains("LaunchTask : m_plugin_upgrade_task_ID != NULL !!!"));
    EXPECT_TRUE(
        ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (LaunchCheckMedia) error !!!"));
    EXPECT_EQ(1, l_plugin->Runs());
    EXPECT_EQ(l_plugin->LastTask(), TaskId(*l_plugin));

    int l_first_task = l_plugin->LastTask();
    l_plugin->Release();
    EXPECT_TRUE(WaitUntil([&] { return TaskId(*l_plugin) == 0; }));
    EXPECT_TRUE(WaitUntil([&] { return taskIdVerify(l_first_task) != OK; }));
    l_plugin->m_block = false;
    EXPECT_TRUE(RunStep(*l_plugin, Step::Media).empty());
    EXPECT_EQ(2, l_plugin->Runs());
}

TEST_F(StepsTest, StepThatEndsAtOnceNeverLeavesAStaleId) {
    auto l_plugin = MakePlugin();
    for (int l_round = 0; l_round < 200; l_round++) {
        ASSERT_EQ(0, l_plugin->LaunchEndOfUpgrade(l_plugin.get())) << "round " << l_round;
        ASSERT_TRUE(WaitUntil([&] { return l_plugin->Runs() == l_round + 1; }));
        ASSERT_TRUE(WaitUntil([&] { return TaskId(*l_plugin) == 0; }, 2000))
            << "stale id after round " << l_round;
    }
    int l_last_task = l_plugin->LastTask();
    EXPECT_TRUE(WaitUntil([&] { return taskIdVerify(l_last_task) != OK; }));
}

struct NotificationCase {
    const char* name;
    Step step;
    bool version6;
    int state;
    bool pull_medium;
    std::vector<Op> expected;
};

class NotificationTest : public StepsTest,
                         public ::testing::WithParamInterface<NotificationCase> {};

TEST_P(NotificationTest, AfterTheStep) {
    const NotificationCase& l_case = GetParam();
    SetMediaVersion(l_case.version6 ? "20104" : "20103");
    host::setUpgradeState(l_case.state);
    auto l_plugin = MakePlugin();
    ASSERT_EQ(l_case.version6, l_plugin->GetInterfaceVersion6Embedded());
    l_plugin->m_pull_medium = l_case.pull_medium;

    EXPECT_EQ(l_case.expected, RunStep(*l_plugin, l_case.step));
    EXPECT_EQ(0, TaskId(*l_plugin));
}

const Op kEnd = Op::EndOfUpgrade;
const Op kAborted = Op::UpgradeAbortedByExtraction;

INSTANTIATE_TEST_SUITE_P(
    Steps, NotificationTest,
    ::testing::Values(
        NotificationCase{"Compat_v6", Step::Compatibility, true, 0, false, {}},
        NotificationCase{"Compat_v6_state7", Step::Compatibility, true, 7, false, {kEnd}},
        NotificationCase{"Compat_v6_pulled", Step::Compatibility, true, 0, true, {kAborted}},
        NotificationCase{"Compat_old_state7", Step::Compatibility, false, 7, false, {}},
        NotificationCase{"Compat_old_pulled", Step::Compatibility, false, 0, true, {}},
        NotificationCase{"Media_v6", Step::Media, true, 0, false, {}},
        NotificationCase{"Media_v6_state7", Step::Media, true, 7, false, {kEnd}},
        NotificationCase{"Media_v6_pulled", Step::Media, true, 0, true, {kAborted, kEnd}},
        NotificationCase{"Media_v6_state7_pulled", Step::Media, true, 7, true, {kEnd}},
        NotificationCase{"Media_old_state7", Step::Media, false, 7, false, {}},
        NotificationCase{"Media_old_pulled", Step::Media, false, 0, true, {}},
        NotificationCase{"Upgrade_v6", Step::Upgrade, true, 0, false, {kEnd}},
        NotificationCase{"Upgrade_v6_state7", Step::Upgrade, true, 7, false, {kEnd}},
        NotificationCase{"Upgrade_v6_pulled", Step::Upgrade, true, 0, true, {kEnd}},
        NotificationCase{"Upgrade_old", Step::Upgrade, false, 0, false, {}},
        NotificationCase{"End_v6_state7", Step::EndOfUpgrade, true, 7, false, {}},
        NotificationCase{"End_v6_pulled", Step::EndOfUpgrade, true, 0, true, {}}),
    [](const ::testing::TestParamInfo<NotificationCase>& p_info) { return p_info.param.name; });

TEST_F(StepsTest, MediumGoneBeforeTheStepSkipsItAndKeepsTheGuard) {
    for (Step l_step : {Step::Media, Step::Upgrade}) {
        platform::setDevicePresent("/bd0", true);
        auto l_plugin = MakePlugin();
        platform::setDevicePresent("/bd0", false);
        host::clearCalls();
        uint64_t l_spawned = platform::tasksSpawned();
        ASSERT_EQ(0, Launch(*l_plugin, l_step));
        EXPECT_TRUE(WaitUntil([&] { return TaskId(*l_plugin) > 0; }));
        int l_task = TaskId(*l_plugin);
        EXPECT_TRUE(WaitUntil([&] { return taskIdVerify(l_task) != OK; }));
        EXPECT_EQ(l_spawned + 1, platform::tasksSpawned());
        EXPECT_EQ(0, l_plugin->Runs());
        EXPECT_TRUE(host::calls().empty());
        /* The guard stays set: every later launch is refused. */
        EXPECT_EQ(l_task, TaskId(*l_plugin));
        EXPECT_EQ(-1, l_plugin->LaunchEndOfUpgrade(l_plugin.get()));
    }
}

TEST_F(StepsTest, TaskEntriesWithoutAPlugin) {
    EXPECT_EQ(-1, C_UPG_PLUGIN_Interface::StaticCheckCompatibilityTask(nullptr));
    EXPECT_EQ(-1, C_UPG_PLUGIN_Interface::StaticCheckMediaTask(nullptr));
    EXPECT_EQ(-1, C_UPG_PLUGIN_Interface::StaticUpgradeTask(nullptr));
    EXPECT_EQ(-1, C_UPG_PLUGIN_Interface::StaticEndOfUpgradeTask(nullptr));
    EXPECT_TRUE(ConsoleContains(
        "(C_UPG_PLUGIN_Interface) << StaticCheckCompatibilityTask : p_instance is null !!! >>"));
    EXPECT_TRUE(ConsoleContains(
        "(C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : p_instance is null !!! >>"));
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) << StaticUpgrade + >>"));
    EXPECT_TRUE(ConsoleContains(
        "(C_UPG_PLUGIN_Interface) << StaticUpgradeTask : p_instance is null !!! >>"));
}

TEST_F(StepsTest, NotificationsReportMissingOrFailingOperations) {
    struct Case {
        const char* hidden; /* symbol hidden before the plugin is built, or null */
        int result;         /* what the manager answers */
        const char* end_line;
        const char* aborted_line;
    };
    const Case l_cases[] = {
        {nullptr, 0, " (C_UPG_PLUGIN_Interface) SendUpgradeEnded: Call of EndOfUpgrade succeeded",
         " (C_UPG_PLUGIN_Interface) SendUpgradeAbortedByExtraction: Call of AbortedByExtraction "
         "succeeded"},
        {nullptr, -1, " (C_UPG_PLUGIN_Interface) SendUpgradeEnded: Call of EndOfUpgrade failed",
         " (C_UPG_PLUGIN_Interface) SendUpgradeAbortedByExtraction: Call of AbortedByExtraction "
         "failed"},
        {"_ZN13C_BCM_UPGRADE12EndOfUpgradeEv", 0,
         " (C_UPG_PLUGIN_Interface) : SendUpgradeEnded : m_addr_BCM_UPG_END_OF_UPGRADE is NULL!! ",
         nullptr},
        {"_ZN13C_BCM_UPGRADE26UpgradeAbortedByExtractionEv", 0, nullptr,
         " (C_UPG_PLUGIN_Interface) : SendUpgradeAbortedByExtraction : "
         "m_addr_BCM_UPG_ABORTED_BY_EXTRACT is NULL!! "},
    };
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(l_case.hidden ? l_case.hidden : "all present");
        platform::unhideAllSymbols();
        if (l_case.hidden != nullptr) {
            platform::hideSymbol(l_case.hidden);
        }
        host::setResult(Op::EndOfUpgrade, l_case.result);
        host::setResult(Op::UpgradeAbortedByExtraction, l_case.result);
        host::clearCalls();
        host::clearSyslog();
        ClearConsole();
        auto l_plugin = MakePlugin();
        if (l_case.hidden != nullptr) {
            /* The log is not open yet: the failed look-up reaches only the system log. */
            EXPECT_TRUE(host::syslogContains("UpgradePluginLog  error !!\n\tm_iLogFile == ERROR"));
        }
        l_plugin->SendUpgradeEnded();
        l_plugin->SendUpgradeAbortedByExtraction();
        if (l_case.end_line != nullptr) {
            EXPECT_TRUE(ConsoleContains(l_case.end_line));
        }
        if (l_case.aborted_line != nullptr) {
            EXPECT_TRUE(ConsoleContains(l_case.aborted_line));
        }
        size_t l_sent = (l_case.hidden == nullptr) ? 2u : 1u;
        EXPECT_EQ(l_sent,
                  host::countOf(Op::EndOfUpgrade) + host::countOf(Op::UpgradeAbortedByExtraction));
    }
}

TEST_F(StepsTest, SendMessageToBCM) {
    const char* l_symbol = "_ZN13C_BCM_UPGRADE17SendPluginMessageE24C_BCM_UPGRADE_msg_plugin";
    auto l_plugin = MakePlugin();

    host::clearSyslog();
    EXPECT_EQ(0, l_plugin->SendMessageToBCM(C_BCM_UPGRADE_msg_plugin(0x1234, 7)));
    host::Call l_call;
    ASSERT_TRUE(host::waitForCall(Op::SendPluginMessage, 1000, &l_call));
    EXPECT_EQ(0x1234, l_call.a);
    EXPECT_EQ(7, l_call.b);
    EXPECT_TRUE(
        host::syslogContains("(C_PLUGIN_Interface) << SendMessageToBCM >> Send message "
                             "0x1234 to BCM"));
    EXPECT_NE(nullptr, l_plugin->m_addr_BCM_SEND_PLUGIN_MESSAGE);

    host::setResult(Op::SendPluginMessage, -1);
    EXPECT_EQ(-1, l_plugin->SendMessageToBCM(C_BCM_UPGRADE_msg_plugin(0xAB)));
    EXPECT_TRUE(host::syslogContains("Send message 0xAB to BCM returns error!"));

    /* Looked up on every call. */
    platform::hideSymbol(l_symbol);
    EXPECT_EQ(-1, l_plugin->SendMessageToBCM(C_BCM_UPGRADE_msg_plugin(1)));
    EXPECT_EQ(nullptr, l_plugin->m_addr_BCM_SEND_PLUGIN_MESSAGE);
    EXPECT_TRUE(host::syslogContains(
        "(C_PLUGIN_Interface) << SendMessageToBCM >> BCM send message pointer is NULL!"));

    l_plugin->m_bcm = nullptr;
    EXPECT_EQ(0, l_plugin->SendMessageToBCM(C_BCM_UPGRADE_msg_plugin(1)));
    EXPECT_EQ(2u, host::countOf(Op::SendPluginMessage));
}

TEST_F(StepsTest, SetPluginCDDStatePublishesTheState) {
    auto l_plugin = MakePlugin();
    EXPECT_EQ(0, l_plugin->SetPluginCDDState(BCM_UPGRADE_ENDED_KO));
    EXPECT_EQ(7, host::upgradeState());
    EXPECT_TRUE(
        ConsoleContains("(C_UPG_PLUGIN_Interface) << SetPluginCDDState : SetCDDState (0x7) >>"));

    host::setResult(Op::ContextSet, -1);
    EXPECT_EQ(-1, l_plugin->SetPluginCDDState(BCM_UPGRADE_IDLE));
    EXPECT_EQ(7, host::upgradeState());
    EXPECT_TRUE(ConsoleContains(
        "(C_UPG_PLUGIN_Interface) << SetPluginCDDState : SetCDDState (0x0) ERROR >>"));
}

TEST_F(StepsTest, GetAddrSymbol) {
    auto l_plugin = MakePlugin();
    EXPECT_NE(nullptr, l_plugin->GetAddrSymbol("_ZN13C_BCM_UPGRADE12EndOfUpgradeEv"));

    host::clearSyslog();
    EXPECT_EQ(nullptr, l_plugin->GetAddrSymbol("no_such_symbol_anywhere"));
    EXPECT_EQ(nullptr, l_plugin->GetAddrSymbol(nullptr));
    /* Before the log is open only the system log's error line appears. */
    EXPECT_TRUE(host::syslogContains("UpgradePluginLog  error !!\n\tm_iLogFile == ERROR"));
    EXPECT_FALSE(host::syslogContains("no_such_symbol_anywhere"));

    ASSERT_EQ(0, l_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    EXPECT_EQ(nullptr, l_plugin->GetAddrSymbol("no_such_symbol_anywhere"));
    EXPECT_TRUE(host::syslogContains(
        "(C_UPG_PLUGIN_Interface) GetAddrSymbol (no_such_symbol_anywhere) return ERROR"));
    EXPECT_NE(std::string::npos, ReadHostFile(SpyFolder() / "UPG_MAP_log.txt")
                                     .find("GetAddrSymbol (no_such_symbol_anywhere) return ERROR"));
}

TEST_F(StepsTest, DestructorResetsAttributes) {
    auto l_plugin = MakePlugin();
    ASSERT_EQ(0, l_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    l_plugin->UpgradePluginLog("last words");
    l_plugin.reset();
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) Constructor : init of attributes "));
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) Destructor : reset of attributes "));
    EXPECT_NE(std::string::npos,
              ReadHostFile(SpyFolder() / "UPG_MAP_log.txt").find("last words\n"));
}

}  // namespace
}  // namespace frame_test
