/*
 * The base class: initialisation, the step launcher and its guard, the step
 * tasks with their notifications, and the manager calls.
 */
#include <errno.h>
#include <string.h>

#include <cstdint>

#include <host/C_ActiveMessage.h>
#include <host/context_data.h>

#include "frame_fixture.h"
#include "spawn_hook.h"

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

TEST_F(StepsTest, InitDecidesTheInterfaceVersionFromMediaInf) {
    struct Case {
        const char* media_inf; /* null: no media.inf */
        bool version6;
        bool logs_error;
    };
    const Case l_cases[] = {
        {"VER=20103\n", false, false},  {"VER=20104\n", true, false}, {"VER=0\n", false, false},
        {"VER=V20200\n", false, false}, {"VER=\n", false, false},     {nullptr, false, true},
        {"OTHER=20104\n", false, true},
    };
    WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", "VER=4.1\nSUBVER=R12\n");
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(l_case.media_inf ? l_case.media_inf : "(no media.inf)");
        fs::remove(MediaInfFile());
        if (l_case.media_inf != nullptr) {
            WriteHostFile(MediaInfFile(), l_case.media_inf);
        }
        ClearConsole();
        auto l_plugin = MakePlugin();
        EXPECT_EQ(l_case.version6, l_plugin->GetInterfaceVersion6Embedded());
        EXPECT_EQ(l_case.logs_error,
                  ConsoleContains("(C_APPLI_UPG_PLUGIN) GetValueInFile "
                                  "('/SYSTEM/Data_base/media.inf', 'VER') ERROR !!!\n"));
        EXPECT_STREQ("/bd0/", l_plugin->m_upgrade_root_path.GetBuffer());
        EXPECT_NE(nullptr, l_plugin->m_addr_BCM_UPG_END_OF_UPGRADE);
        EXPECT_NE(nullptr, l_plugin->m_addr_BCM_UPG_ABORTED_BY_EXTRACT);
        EXPECT_EQ(-1, l_plugin->m_iLogFile);
        EXPECT_EQ(0, l_plugin->m_plugin_partition_block_size);
    }
}

TEST_F(StepsTest, InitReadsTheSubVersionOfThePackage) {
    struct Case {
        const char* side_file; /* UpgPlugin.out.inf; null: none */
        std::string sub_version;
    };
    const Case l_cases[] = {
        {"VER=4.1\nSUBVER=R12\n", "R12"},
        {"VER=4.1\n", ""},
        {nullptr, ""},
        /* The value is read into 101 bytes: at most 100 characters. */
        {"SUBVER=ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ\n",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZ"
         "ABCDEFGHIJKLMNOPQRSTUV"},
    };
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(l_case.side_file ? l_case.side_file : "(no side file)");
        fs::remove(m_root / "bd0/UpgPlugin.out.inf");
        if (l_case.side_file != nullptr) {
            WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", l_case.side_file);
        }
        ClearConsole();
        auto l_plugin = MakePlugin();
        EXPECT_EQ(l_case.sub_version, l_plugin->m_plugin_sub_version.GetBuffer());
        std::string l_line = "(C_UPG_PLUGIN_Interface) Constructor : SUBVER = '" +
                             l_case.sub_version + "' from '/bd0//UpgPlugin.out.inf'\n";
        EXPECT_EQ(!l_case.sub_version.empty(), ConsoleContains(l_line));
        EXPECT_EQ(!l_case.sub_version.empty(), ConsoleContains("Constructor : SUBVER"));
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

TEST_F(StepsTest, LaunchRecordsTheIdBeforeTheStepCanClearIt) {
    /* Each spawn returns only once its task has ended: the step always wins the race. */
    struct Case {
        Step step;
        bool medium_present;
    };
    const Case l_cases[] = {
        {Step::Compatibility, true}, {Step::Media, true},  {Step::Upgrade, true},
        {Step::EndOfUpgrade, true},  {Step::Media, false}, {Step::Upgrade, false},
    };
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(static_cast<int>(l_case.step));
        platform::setDevicePresent("/bd0", true);
        auto l_plugin = MakePlugin();
        platform::setDevicePresent("/bd0", l_case.medium_present);
        spawn_hook::ClearSpawned();
        spawn_hook::ReturnAfterTaskEnd(true);
        int l_result = Launch(*l_plugin, l_case.step);
        spawn_hook::ReturnAfterTaskEnd(false);
        ASSERT_EQ(0, l_result);
        ASSERT_EQ(1u, spawn_hook::Spawned().size());
        if (l_case.medium_present) {
            /* No stale id: the next step may start. */
            EXPECT_EQ(1, l_plugin->Runs());
            EXPECT_EQ(0, TaskId(*l_plugin));
            EXPECT_TRUE(RunStep(*l_plugin, Step::EndOfUpgrade).empty());
        } else {
            /* The step never ran and never cleared the guard: it holds the task's id. */
            EXPECT_EQ(0, l_plugin->Runs());
            EXPECT_EQ(spawn_hook::Spawned()[0], TaskId(*l_plugin));
            EXPECT_EQ(-1, l_plugin->LaunchCheckCompatibility(l_plugin.get()));
        }
        EXPECT_TRUE(spawn_hook::WaitSpawnedEnded());
    }
    platform::setDevicePresent("/bd0", true);
}

TEST_F(StepsTest, FailedSpawnLeavesTheGuardClear) {
    auto l_plugin = MakePlugin();
    spawn_hook::FailSpawns(ENOMEM);
    int l_result = l_plugin->LaunchUpgrade(l_plugin.get());
    spawn_hook::FailSpawns(0);
    EXPECT_EQ(-1, l_result);
    EXPECT_EQ(0, TaskId(*l_plugin));
    EXPECT_EQ(0, l_plugin->Runs());
    char l_line[64];
    snprintf(l_line, sizeof(l_line), " - LaunchTask : taskSpawn error (errno = 0x%X)\n", ENOMEM);
    EXPECT_TRUE(ConsoleContains(l_line));
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) LaunchTask (LaunchUpgrade) error !!!\n"));
    /* The host may try again. */
    EXPECT_EQ((std::vector<Op>{Op::EndOfUpgrade}), RunStep(*l_plugin, Step::Upgrade));
}

/* Slot of a virtual operation in the table (after the two destructor entries). */
template <class Member>
long Slot(Member p_member) {
    struct {
        uintptr_t ptr;
        ptrdiff_t adj;
    } l_raw;
    static_assert(sizeof(p_member) == sizeof(l_raw), "pointer to member layout");
    memcpy(&l_raw, &p_member, sizeof(l_raw));
    /* A virtual member's pointer holds 1 + its offset in the table. */
    if ((l_raw.ptr & 1) == 0) {
        return -1;
    }
    return static_cast<long>((l_raw.ptr - 1) / sizeof(void*));
}

TEST_F(StepsTest, VirtualOperationsKeepTheManagersSlotOrder) {
    using I = C_UPG_PLUGIN_Interface;
    const long l_slots[] = {
        Slot(&I::GetVersionOfInterface),
        Slot(&I::GetVersionOfPlugin),
        Slot(&I::GetNumberOfInfos),
        Slot(&I::GetSubVersionOfPlugin),
        Slot(&I::GetOldVersionOfData),
        Slot(&I::GetVersionOfData),
        Slot(&I::GetIdentifier),
        Slot(&I::CheckCompatibilityTask),
        Slot(&I::CheckMediaTask),
        Slot(&I::UpgradeTask),
        Slot(&I::EndOfUpgradeTask),
        Slot(&I::SetIndexOfInfos),
        Slot(&I::ResetElementsToUpgrade),
        Slot(&I::GetOldSizeOfData),
        Slot(&I::GetSizeOfData),
        Slot(&I::ShowStatus),
        Slot(&I::CancelCurrentAction),
        Slot(&I::EndOfExternalTreatment),
        Slot(&I::GetUpgradeName),
        Slot(&I::LaunchCheckCompatibility),
        Slot(&I::LaunchCheckMedia),
        Slot(&I::LaunchUpgrade),
        Slot(&I::LaunchEndOfUpgrade),
        Slot(&I::GetUpgradeType),
        Slot(&I::PushElements),
        Slot(&I::ManageOldTempFolders),
        Slot(&I::SendMessageToBCM),
        Slot(&I::LaunchTask),
        Slot(&I::CheckHardwareCompatibility),
        Slot(&I::VerifyCRC32ofFileForPlugin),
    };
    /* The destructor takes slots 0 and 1 (complete and deleting). */
    for (size_t l_i = 0; l_i < sizeof(l_slots) / sizeof(l_slots[0]); l_i++) {
        EXPECT_EQ(static_cast<long>(l_i) + 2, l_slots[l_i]) << "operation " << l_i;
    }
}

struct NotificationCase {
    const char* name;
    Step step;
    bool version6;
    int state;
    bool pull_medium;
    std::vector<Op> expected;
    /* Console lines of the step task that must, and must not, appear. */
    std::vector<std::string> logged;
    std::vector<std::string> not_logged;
};

void PrintTo(const NotificationCase& p_case, std::ostream* p_out) { *p_out << p_case.name; }

class NotificationTest : public StepsTest,
                         public ::testing::WithParamInterface<NotificationCase> {};

TEST_P(NotificationTest, AfterTheStep) {
    const NotificationCase& l_case = GetParam();
    SetMediaVersion(l_case.version6 ? "20104" : "20103");
    host::setUpgradeState(l_case.state);
    auto l_plugin = MakePlugin();
    ASSERT_EQ(l_case.version6, l_plugin->GetInterfaceVersion6Embedded());
    l_plugin->m_pull_medium = l_case.pull_medium;

    ClearConsole();
    EXPECT_EQ(l_case.expected, RunStep(*l_plugin, l_case.step));
    EXPECT_EQ(0, TaskId(*l_plugin));
    for (const std::string& l_line : l_case.logged) {
        EXPECT_TRUE(ConsoleContains("- (C_UPG_PLUGIN_Interface) << " + l_line + " >>\n")) << l_line;
    }
    for (const std::string& l_line : l_case.not_logged) {
        EXPECT_FALSE(ConsoleContains(l_line)) << l_line;
    }
}

const Op kEnd = Op::EndOfUpgrade;
const Op kAborted = Op::UpgradeAbortedByExtraction;

const char* const kCompatState0 = "StaticCheckCompatibilityTask : l_upgrade_state = 0";
const char* const kCompatState7 = "StaticCheckCompatibilityTask : l_upgrade_state = 7";
const char* const kCompatOld = "StaticCheckCompatibilityTask : Version 6 not embedded";
const char* const kCompatKo = "StaticCheckCompatibilityTask : BCM_UPGRADE_ENDED_KO";
const char* const kMediaPlugged = "StaticCheckMediaTask : Key still pluged";
const char* const kMediaState0 = "StaticCheckMediaTask : l_upgrade_state = 0";
const char* const kMediaState7 = "StaticCheckMediaTask : l_upgrade_state = 7";
const char* const kMediaKo = "StaticCheckMediaTask : BCM_UPGRADE_ENDED_KO";
const char* const kMediaGone = "StaticCheckMediaTask : SendUpgradeAbortedByExtraction";
const char* const kUpgradeEntry = "StaticUpgrade +";
const char* const kUpgradeRun = "StaticUpgradeTask : launch of Upgrade task";

INSTANTIATE_TEST_SUITE_P(
    Steps, NotificationTest,
    ::testing::Values(
        NotificationCase{"Compat_v6",
                         Step::Compatibility,
                         true,
                         0,
                         false,
                         {},
                         {kCompatState0},
                         {kCompatOld, kCompatKo}},
        NotificationCase{"Compat_v6_state7",
                         Step::Compatibility,
                         true,
                         7,
                         false,
                         {kEnd},
                         {kCompatState7, kCompatKo},
                         {kCompatOld}},
        NotificationCase{"Compat_v6_pulled",
                         Step::Compatibility,
                         true,
                         0,
                         true,
                         {kAborted},
                         {kCompatState0},
                         {kCompatKo}},
        NotificationCase{
            "Compat_v6_state7_pulled", Step::Compatibility, true, 7, true, {kEnd}, {kCompatKo}, {}},
        NotificationCase{"Compat_old",
                         Step::Compatibility,
                         false,
                         0,
                         false,
                         {},
                         {kCompatState0, kCompatOld},
                         {}},
        NotificationCase{"Compat_old_state7",
                         Step::Compatibility,
                         false,
                         7,
                         false,
                         {},
                         {kCompatState7, kCompatOld},
                         {kCompatKo}},
        NotificationCase{
            "Compat_old_pulled", Step::Compatibility, false, 0, true, {}, {kCompatOld}, {}},
        NotificationCase{"Media_v6",
                         Step::Media,
                         true,
                         0,
                         false,
                         {},
                         {kMediaPlugged, kMediaState0},
                         {kMediaKo, kMediaGone}},
        NotificationCase{"Media_v6_state7",
                         Step::Media,
                         true,
                         7,
                         false,
                         {kEnd},
                         {kMediaPlugged, kMediaState7, kMediaKo},
                         {kMediaGone}},
        NotificationCase{"Media_v6_pulled",
                         Step::Media,
                         true,
                         0,
                         true,
                         {kAborted, kEnd},
                         {kMediaPlugged, kMediaGone},
                         {kMediaKo}},
        NotificationCase{
            "Media_v6_state7_pulled", Step::Media, true, 7, true, {kEnd}, {kMediaKo}, {kMediaGone}},
        NotificationCase{"Media_old_state7",
                         Step::Media,
                         false,
                         7,
                         false,
                         {},
                         {kMediaPlugged, kMediaState7},
                         {kMediaKo}},
        NotificationCase{
            "Media_old_pulled", Step::Media, false, 0, true, {}, {kMediaState0}, {kMediaGone}},
        NotificationCase{
            "Upgrade_v6", Step::Upgrade, true, 0, false, {kEnd}, {kUpgradeEntry, kUpgradeRun}, {}},
        NotificationCase{"Upgrade_v6_state7", Step::Upgrade, true, 7, false, {kEnd}, {}, {}},
        NotificationCase{"Upgrade_v6_pulled", Step::Upgrade, true, 0, true, {kEnd}, {}, {}},
        NotificationCase{
            "Upgrade_old", Step::Upgrade, false, 0, false, {}, {kUpgradeEntry, kUpgradeRun}, {}},
        NotificationCase{"Upgrade_old_state7", Step::Upgrade, false, 7, false, {}, {}, {}},
        NotificationCase{"Upgrade_old_pulled", Step::Upgrade, false, 0, true, {}, {}, {}},
        NotificationCase{"End_v6", Step::EndOfUpgrade, true, 0, false, {}, {}, {}},
        NotificationCase{"End_v6_state7", Step::EndOfUpgrade, true, 7, false, {}, {}, {}},
        NotificationCase{"End_v6_pulled", Step::EndOfUpgrade, true, 0, true, {}, {}, {}},
        NotificationCase{"End_old_state7", Step::EndOfUpgrade, false, 7, false, {}, {}, {}}),
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

TEST_F(StepsTest, DestructorResetsAttributesAndClosesTheLog) {
    size_t l_before = OpenDescriptors();
    auto l_plugin = MakePlugin();
    ASSERT_EQ(0, l_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    EXPECT_EQ(l_before + 2, OpenDescriptors());
    l_plugin->UpgradePluginLog("last words");
    l_plugin.reset();
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) Constructor : init of attributes \n"));
    EXPECT_TRUE(ConsoleContains("(C_UPG_PLUGIN_Interface) Destructor : reset of attributes \n"));
    EXPECT_NE(std::string::npos,
              ReadHostFile(SpyFolder() / "UPG_MAP_log.txt").find("last words\n"));
    /* The log's descriptor and stream went with the object. */
    EXPECT_EQ(l_before, OpenDescriptors());
}

}  // namespace
}  // namespace frame_test
