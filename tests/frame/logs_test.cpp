/*
 * The step logs, their archives, the upgrade history and the telnet console.
 */
#include <platform/iosys.h>

#include <thread>

#include "frame_fixture.h"

namespace frame_test {
namespace {

class LogsTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", "VER=4.2.1\nSUBVER=B07\n");
        m_plugin = std::make_unique<TestPlugin>(CMMString("/bd0/"));
    }
    void TearDown() override {
        m_plugin.reset();
        FrameTest::TearDown();
    }

    std::string LogText(const char* p_file) { return ReadHostFile(SpyFolder() / p_file); }
    std::string History() { return LogText("UPG_history.txt"); }

    std::unique_ptr<TestPlugin> m_plugin;
};

TEST_F(LogsTest, LogFilePathOfEveryKind) {
    const char* const l_files[] = {
        nullptr,
        "UPG_MAP_log.txt",
        "UPG_SKIN_log.txt",
        "UPG_ZAR_log.txt",
        "UPG_POI_log.txt",
        "UPG_COPY_log.txt",
        "UPG_POI_USER_log.txt",
        "UPG_MODULE_DRIVER_log.txt",
        "UPG_RADIO_LOGOS_log.txt",
        "UPG_INTERACTIVE_MANUAL_log.txt",
        "UPG_BT_STACK_log.txt",
        "UPG_PERSONNAL_PICTURE_log.txt",
        "UPG_PMS_PICTOS_log.txt",
        "UPG_log.txt",
        "UPG_COPY_DELETE_log.txt",
        "UPG_ST_LIBELLE_log.txt",
    };
    for (int l_kind = -1; l_kind <= 17; l_kind++) {
        SCOPED_TRACE(l_kind);
        CMMString l_path("unchanged");
        bool l_known = l_kind >= 1 && l_kind <= 15;
        EXPECT_EQ(l_known ? 0 : -1,
                  m_plugin->GetCorrespondingLogFilePath((t_upg_log)l_kind, l_path));
        std::string l_expected =
            l_known ? std::string("/SYSTEM_TMP_DATA/spy/UPG/") + l_files[l_kind] : "unchanged";
        EXPECT_EQ(l_expected, l_path.GetBuffer());
    }
}

TEST_F(LogsTest, StartCreatesTheFolderAndLinesCarryTheTick) {
    m_plugin->UpgradePluginLog("before the start %d", 1);
    EXPECT_TRUE(
        host::syslogContains(" - (C_UPG_PLUGIN_Interface) UpgradePluginLog  error !!\n\t"
                             "m_iLogFile == ERROR"));
    /* The message itself is dropped. */
    EXPECT_FALSE(host::syslogContains("before the start"));
    EXPECT_FALSE(ConsoleContains("before the start"));

    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    EXPECT_TRUE(ConsoleContains("Create Log file '/SYSTEM_TMP_DATA/spy/UPG/UPG_MAP_log.txt'"));
    EXPECT_NE(-1, m_plugin->m_iLogFile);
    ASSERT_NE(nullptr, m_plugin->m_LogFilePtr);
    m_plugin->UpgradePluginLog("value %d and %s", 42, "text");
    m_plugin->UpgradePluginLog("%s", "100% literal");
    EXPECT_TRUE(host::syslogContains("value 42 and text"));
    EXPECT_TRUE(host::syslogContains("100% literal"));

    /* Written at once: readable before the log is closed. */
    std::string l_text = LogText("UPG_MAP_log.txt");
    EXPECT_EQ(std::string::npos, l_text.find("before the start"));
    std::istringstream l_lines(l_text);
    std::string l_line;
    std::vector<std::string> l_bodies;
    while (std::getline(l_lines, l_line)) {
        size_t l_dash = l_line.find(" - ");
        ASSERT_NE(std::string::npos, l_dash) << l_line;
        EXPECT_EQ(std::string::npos, l_line.substr(0, l_dash).find_first_not_of("0123456789"));
        l_bodies.push_back(l_line.substr(l_dash + 3));
    }
    EXPECT_EQ((std::vector<std::string>{"value 42 and text", "100% literal"}), l_bodies);

    /* Stop, then start again: the same file grows. */
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP));
    EXPECT_EQ(-1, m_plugin->m_iLogFile);
    EXPECT_EQ(nullptr, m_plugin->m_LogFilePtr);
    ClearConsole();
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    EXPECT_FALSE(ConsoleContains("Create Log file"));
    m_plugin->UpgradePluginLog("second run");
    l_text = LogText("UPG_MAP_log.txt");
    EXPECT_NE(std::string::npos, l_text.find("100% literal\n"));
    EXPECT_NE(std::string::npos, l_text.find("second run\n"));
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP));
    EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_MAP_log.txt_1"));
}

TEST_F(LogsTest, StartingTwiceKeepsOneStream) {
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    size_t l_open = OpenDescriptors();
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    /* The former descriptor and stream were closed, not leaked. */
    EXPECT_EQ(l_open, OpenDescriptors());
    EXPECT_NE(nullptr, m_plugin->m_LogFilePtr);
    m_plugin->UpgradePluginLog("once");
    std::string l_text = LogText("UPG_MAP_log.txt");
    EXPECT_EQ(l_text.find("once\n"), l_text.rfind("once\n"));
    EXPECT_NE(std::string::npos, l_text.find("once\n"));
}

TEST_F(LogsTest, StopCommandsWaitBeforeClosing) {
    for (t_upgrade_log_state l_command : {UPG_LOG_STOP, UPG_LOG_STOP_AND_ARCHIVE}) {
        SCOPED_TRACE(static_cast<int>(l_command));
        ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
        size_t l_open = OpenDescriptors();
        unsigned long l_start = tickGet();
        ASSERT_EQ(0, m_plugin->SetUpgradeLogging(l_command, UPG_LOG_MAP));
        EXPECT_GE(tickGet() - l_start, 500u);
        EXPECT_EQ(l_open - 2, OpenDescriptors());
        EXPECT_EQ(-1, m_plugin->m_iLogFile);
        EXPECT_EQ(nullptr, m_plugin->m_LogFilePtr);
    }
    /* Stopping a log that is not open only waits. */
    EXPECT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP));
}

TEST_F(LogsTest, LogWithoutItsStreamGoesToTheConsole) {
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    /* The descriptor opened but the stream did not. */
    fclose(m_plugin->m_LogFilePtr);
    m_plugin->m_LogFilePtr = nullptr;
    host::clearSyslog();
    ClearConsole();
    m_plugin->UpgradePluginLog("kept on the console %d", 9);
    EXPECT_TRUE(
        host::syslogContains(" - (C_UPG_PLUGIN_Interface) UpgradePluginLog  error !!\n\t"
                             "m_LogFilePtr == NULL"));
    EXPECT_FALSE(host::syslogContains("kept on the console"));
    EXPECT_TRUE(ConsoleContains("kept on the console 9"));
    EXPECT_EQ(std::string::npos, LogText("UPG_MAP_log.txt").find("kept on the console"));
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP));
}

TEST_F(LogsTest, LongMessagesAreWrittenWhole) {
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    std::string l_long(5000, 'x');
    m_plugin->UpgradePluginLog("<%s>", l_long.c_str());
    EXPECT_NE(std::string::npos, LogText("UPG_MAP_log.txt").find("<" + l_long + ">\n"));
}

TEST_F(LogsTest, BadCommandsAndKinds) {
    struct Case {
        int command;
        int kind;
        const char* message;
    };
    const Case l_cases[] = {
        {4, 1, "SetUpgradeLogging: Activation command (4) unknown !\n"},
        {0, 1, "SetUpgradeLogging: Activation command (0) unknown !\n"},
        {UPG_LOG_START, 16,
         "GetCorrespondingLogFilePath: The specified upgrade type is mising <16>\n LOG cannot be "
         "created \n"},
        {UPG_LOG_START, 0, "The specified upgrade type is mising <0>"},
        {4, 16, "The specified upgrade type is mising <16>"},
    };
    for (const Case& l_case : l_cases) {
        SCOPED_TRACE(l_case.message);
        ClearConsole();
        EXPECT_EQ(-1, m_plugin->SetUpgradeLogging((t_upgrade_log_state)l_case.command,
                                                  (t_upg_log)l_case.kind));
        EXPECT_TRUE(ConsoleContains(l_case.message));
        EXPECT_EQ(-1, m_plugin->m_iLogFile);
    }
}

TEST_F(LogsTest, StartFailsWhenTheFileCannotBeCreated) {
    platform::setDeviceReadOnly("/SYSTEM_TMP_DATA", true);
    EXPECT_EQ(-1, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    EXPECT_TRUE(
        ConsoleContains("SetUpgradeLogging: could not create or append log file "
                        "</SYSTEM_TMP_DATA/spy/UPG/UPG_MAP_log.txt>"));
    EXPECT_EQ(-1, m_plugin->m_iLogFile);
    EXPECT_EQ(nullptr, m_plugin->m_LogFilePtr);
    m_plugin->UpgradePluginLog("dropped");
    EXPECT_FALSE(host::syslogContains("dropped"));
}

TEST_F(LogsTest, SixthArchiveOverwritesTheFifth) {
    for (int l_run = 1; l_run <= 6; l_run++) {
        ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
        m_plugin->UpgradePluginLog("run %d", l_run);
        ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP_AND_ARCHIVE, UPG_LOG_MAP));
        EXPECT_TRUE(m_plugin->m_log_archived_once);
        EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_MAP_log.txt"));
    }
    /* _1 is the newest; run 1 fell off the end. */
    for (int l_n = 1; l_n <= 5; l_n++) {
        std::string l_text = LogText(("UPG_MAP_log.txt_" + std::to_string(l_n)).c_str());
        EXPECT_NE(std::string::npos, l_text.find("run " + std::to_string(7 - l_n) + "\n"))
            << "archive " << l_n << ": " << l_text;
    }
    EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_MAP_log.txt_6"));
}

TEST_F(LogsTest, GenericLogIsNeverArchived) {
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_GENERIC));
    m_plugin->UpgradePluginLog("generic");
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_STOP_AND_ARCHIVE, UPG_LOG_GENERIC));
    EXPECT_NE(std::string::npos, LogText("UPG_log.txt").find("generic\n"));
    EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_log.txt_1"));
    EXPECT_FALSE(m_plugin->m_log_archived_once);
}

TEST_F(LogsTest, LinesOfSeveralTasksNeverInterleave) {
    ASSERT_EQ(0, m_plugin->SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP));
    const int l_lines = 300;
    auto l_writer = [this](char p_mark) {
        std::string l_body(200, p_mark);
        for (int l_i = 0; l_i < l_lines; l_i++) {
            m_plugin->UpgradePluginLog("%c%s%c", '[', l_body.c_str(), ']');
        }
    };
    std::thread l_a(l_writer, 'a');
    std::thread l_b(l_writer, 'b');
    l_a.join();
    l_b.join();

    std::istringstream l_text(LogText("UPG_MAP_log.txt"));
    std::string l_line;
    int l_count = 0;
    while (std::getline(l_text, l_line)) {
        size_t l_open = l_line.find(" - [");
        ASSERT_NE(std::string::npos, l_open) << l_line;
        std::string l_body = l_line.substr(l_open + 4);
        ASSERT_EQ(201u, l_body.size()) << l_line;
        EXPECT_EQ(std::string::npos, l_body.substr(0, 200).find_first_not_of(l_body[0]));
        EXPECT_EQ(']', l_body[200]);
        l_count++;
    }
    EXPECT_EQ(2 * l_lines, l_count);
}

TEST_F(LogsTest, HistoryBlockAndResultLine) {
    host::setClock(26, 0, 5, 14, 5);
    ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), false));
    EXPECT_EQ(26, m_plugin->m_year);
    EXPECT_EQ(1, m_plugin->m_month);
    EXPECT_EQ(5, m_plugin->m_day);
    EXPECT_EQ(14, m_plugin->m_hour);
    EXPECT_EQ(5, m_plugin->m_minute);
    EXPECT_STREQ("B07", m_plugin->m_history_sub_version.GetBuffer());

    host::setClock(26, 11, 31, 9, 59);
    ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), true));
    EXPECT_EQ(12, m_plugin->m_month);
    EXPECT_EQ(
        "\n**************************************************\n"
        "Upgrade type         : MAP UPG Plugin\n"
        "SW Version           : 4.2.1\n"
        "SubVersion of Plugin : B07\n"
        "Date                 : 2026/01/05\n"
        "Time                 : 14:05\n"
        "Result               : UPGRADE ENDS OK\n",
        History());
}

TEST_F(LogsTest, HistoryWithoutSideFileOrManager) {
    fs::remove(m_root / "bd0/UpgPlugin.out.inf");
    host::setClock(9, 8, 7, 6, 5);
    ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("T"), false));
    EXPECT_TRUE(
        ConsoleContains("(UpgradeTask) GetValueInFile ('/bd0//UpgPlugin.out.inf', 'SUBVER') "
                        "== ERROR !!!!"));
    EXPECT_NE(std::string::npos, History().find("SW Version           : \n"
                                                "SubVersion of Plugin : \n"
                                                "Date                 : 2009/09/07\n"
                                                "Time                 : 06:05\n"));

    m_plugin->m_bcm = nullptr;
    WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", "VER=1\nSUBVER=2\n");
    ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("U"), false));
    EXPECT_TRUE(m_plugin->m_history_sub_version.IsEmpty());
    EXPECT_NE(std::string::npos, History().find("Upgrade type         : U\n"
                                                "SW Version           : \n"));
}

TEST_F(LogsTest, HistoryThatCannotBeCreated) {
    host::setClock(30, 2, 3, 4, 5);
    platform::setDeviceReadOnly("/SYSTEM_TMP_DATA", true);
    EXPECT_EQ(-1, m_plugin->AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), false));
    EXPECT_TRUE(
        ConsoleContains("AddUPGHistoryHeader: failed to create history file "
                        "/SYSTEM_TMP_DATA/spy/UPG/UPG_history.txt"));
    /* The date attributes are still refreshed. */
    EXPECT_EQ(30, m_plugin->m_year);
    EXPECT_EQ(3, m_plugin->m_month);
    EXPECT_STREQ("B07", m_plugin->m_history_sub_version.GetBuffer());
    EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_history.txt"));
}

TEST_F(LogsTest, HistoryRotatesFrom51200Bytes) {
    const size_t l_result_line = std::string("Result               : UPGRADE ENDS OK\n").size();
    struct Case {
        size_t size_after;
        bool rotated;
    };
    for (Case l_case : {Case{51199, false}, Case{51200, true}, Case{60000, true}}) {
        SCOPED_TRACE(l_case.size_after);
        WriteHostFile(SpyFolder() / "UPG_history.txt_1", "old backup");
        WriteHostFile(SpyFolder() / "UPG_history.txt",
                      std::string(l_case.size_after - l_result_line, 'h'));
        ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), true));
        if (l_case.rotated) {
            EXPECT_FALSE(fs::exists(SpyFolder() / "UPG_history.txt"));
            EXPECT_EQ(l_case.size_after, fs::file_size(SpyFolder() / "UPG_history.txt_1"));
            /* The next header starts a new file. */
            ASSERT_EQ(0, m_plugin->AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), false));
            EXPECT_EQ(0u, History().find("\n*****"));
        } else {
            EXPECT_EQ(l_case.size_after, fs::file_size(SpyFolder() / "UPG_history.txt"));
            EXPECT_EQ("old backup", LogText("UPG_history.txt_1"));
        }
    }
}

TEST_F(LogsTest, ConsoleGoesToTheFirstTelnetSlave) {
    fs::path l_master = m_root / "pty0M";
    fs::path l_slave0 = m_root / "pty0S";
    fs::path l_slave1 = m_root / "pty1S";
    for (const fs::path& l_file : {l_master, l_slave0, l_slave1}) {
        WriteHostFile(l_file, "");
    }
    ASSERT_TRUE(platform::addCharDevice("stdio_pty0M", l_master.string()));
    ASSERT_TRUE(platform::addCharDevice("stdio_pty0S", l_slave0.string()));
    ASSERT_TRUE(platform::addCharDevice("stdio_pty1S", l_slave1.string()));

    m_plugin->LogsOnTelnet();
    int l_fd = m_plugin->m_stdout_fd;
    EXPECT_GT(l_fd, 0);
    EXPECT_EQ(l_fd, ioGlobalStdGet(STD_OUT));
    EXPECT_EQ(l_fd, ioGlobalStdGet(STD_ERR));
    EXPECT_TRUE(ConsoleContains("stdio_pty0S          -"));
    EXPECT_FALSE(ConsoleContains("stdio_pty0M"));
    /* A later slave only gets the warning. */
    EXPECT_TRUE(ConsoleContains("stdio_pty1S          -"));
    EXPECT_TRUE(ConsoleContains("if (0 != m_stdout_fd) !!!"));

    ioGlobalStdSet(STD_OUT, STD_OUT);
    ioGlobalStdSet(STD_ERR, STD_ERR);
    fsClose(l_fd);
}

}  // namespace
}  // namespace frame_test
