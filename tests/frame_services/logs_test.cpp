#include "unit_fixture.h"

#include <set>

#include "C_UPG_LOGS.h"

namespace {

const long WAIT_MS = 20000;

class LogsTest : public UnitTest {
  protected:
    void TearDown() override {
        delete C_UPG_LOGS::m_pInstance;
        EXPECT_EQ(C_UPG_LOGS::m_pInstance, nullptr);
        UnitTest::TearDown();
    }

    static size_t StoredSlots(const C_UPG_LOGS& p_logs) {
        size_t l_count = 0;
        for (const CMMString& l_slot : p_logs.m_logs) l_count += l_slot.IsNotEmpty() ? 1 : 0;
        return l_count;
    }
};

TEST_F(LogsTest, FullRingDropsAndFlagsTheLoss) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    EXPECT_EQ(C_UPG_LOGS::Instance(), l_logs);
    EXPECT_NE(l_logs->GetTaskId(), 0);

    l_logs->HoldWriting(true);
    for (int l_index = 0; l_index < C_UPG_LOGS_NB_SLOTS; l_index++) {
        l_logs->Log(("message " + std::to_string(l_index) + ".").c_str());
    }
    EXPECT_TRUE(l_logs->m_no_loss);
    l_logs->Log("message 1000.");
    EXPECT_FALSE(l_logs->m_no_loss);
    EXPECT_EQ(StoredSlots(*l_logs), static_cast<size_t>(C_UPG_LOGS_NB_SLOTS));
    EXPECT_EQ(l_logs->m_write_index, 0u);

    l_logs->HoldWriting(false);
    ASSERT_TRUE(host::waitForSyslog("message 999.", WAIT_MS));
    /* Lines are written in order: the last one seen means all were written. */
    EXPECT_EQ(SyslogCount("losts logs before this one: "),
              static_cast<size_t>(C_UPG_LOGS_NB_SLOTS));
    EXPECT_EQ(SyslogCount("message 0."), 1u);
    EXPECT_EQ(SyslogCount("message 1000."), 0u);
}

TEST_F(LogsTest, StoredMessageClearsTheLossFlag) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    l_logs->HoldWriting(true);
    for (int l_index = 0; l_index <= C_UPG_LOGS_NB_SLOTS; l_index++) l_logs->Log("filler");
    EXPECT_FALSE(l_logs->m_no_loss);
    l_logs->HoldWriting(false);
    /* Each slot is freed before the next one is written: after the last line, slot 0 is free. */
    for (int l_try = 0; l_try < 1000000 && SyslogCount("losts logs") < C_UPG_LOGS_NB_SLOTS;
         l_try++) {
        taskDelay(1);
    }
    l_logs->Log("after the loss");
    ASSERT_TRUE(host::waitForSyslog("after the loss", WAIT_MS));
    EXPECT_EQ(SyslogCount("losts logs before this one: "),
              static_cast<size_t>(C_UPG_LOGS_NB_SLOTS));
    EXPECT_TRUE(l_logs->m_no_loss);
}

TEST_F(LogsTest, SecondObjectRefusesMessages) {
    ASSERT_NE(C_UPG_LOGS::Instance(), nullptr);
    {
        C_UPG_LOGS l_other;
        l_other.Log("not for me");
        EXPECT_TRUE(host::syslogContains("(C_UPG_LOGS::Log) => You must use the Instance!!!"));
        EXPECT_EQ(StoredSlots(l_other), 0u);
        EXPECT_EQ(l_other.m_write_index, 0u);
    }
    EXPECT_FALSE(host::syslogContains("not for me"));
}

TEST_F(LogsTest, DestroyingTheSingletonEndsTheTask) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    EXPECT_TRUE(host::syslogContains("(C_UPG_LOGS)  Constructor + "));
    EXPECT_TRUE(host::syslogContains("(C_UPG_LOGS)  Constructor - "));
    int l_tid = l_logs->GetTaskId();
    ASSERT_NE(l_tid, 0);
    platform::TaskInfo l_info;
    ASSERT_TRUE(platform::taskInfo(l_tid, &l_info));
    EXPECT_EQ(l_info.name, "tLogUpg");
    EXPECT_EQ(l_info.priority, 100);
    EXPECT_EQ(l_info.options, 0x1000000);
    EXPECT_EQ(l_info.stackSize, 15000);

    /* Even a held task must see the stop value. */
    l_logs->HoldWriting(true);
    l_logs->Log("pending");
    delete l_logs;
    EXPECT_EQ(C_UPG_LOGS::m_pInstance, nullptr);
    EXPECT_TRUE(host::syslogContains("(C_UPG_LOGS::LogTask) end of task."));
    EXPECT_EQ(taskIdVerify(l_tid), ERROR);

    /* A new singleton can be had afterwards. */
    C_UPG_LOGS* l_again = C_UPG_LOGS::Instance();
    ASSERT_NE(l_again, nullptr);
    l_again->Log("again");
    EXPECT_TRUE(host::waitForSyslog("again", WAIT_MS));
}

TEST_F(LogsTest, PurgeElementRangeAndAddLogs) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    l_logs->PurgeElement(C_UPG_LOGS_NB_SLOTS);
    EXPECT_TRUE(host::syslogContains("(ResetElement): p_index (1000) error"));

    EXPECT_EQ(m_plugin->AddLogs(CMMString("through the plugin")), 0);
    EXPECT_TRUE(host::waitForSyslog("through the plugin", WAIT_MS));
}

TEST_F(LogsTest, EmptyTextAndNullMessage) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    l_logs->HoldWriting(true);
    unsigned int l_index = l_logs->m_write_index;
    /* An empty text would look like a free slot while its number is queued: not stored. */
    l_logs->Add(CMMString());
    EXPECT_EQ(l_logs->m_write_index, l_index);
    /* A null message is logged as an empty one, after its tick count. */
    l_logs->Log(static_cast<const char*>(nullptr));
    EXPECT_EQ(l_logs->m_write_index, (l_index + 1) % C_UPG_LOGS_NB_SLOTS);
    EXPECT_TRUE(l_logs->m_no_loss);
    l_logs->HoldWriting(false);
}

struct WriterArgs {
    C_UPG_LOGS* logs;
    int writer;
    SEM_ID done;
};

int WriterTask(WriterArgs* p_args) {
    for (int l_index = 0; l_index < C_UPG_LOGS_NB_SLOTS / 2; l_index++) {
        p_args->logs->Log(
            ("writer " + std::to_string(p_args->writer) + " line " + std::to_string(l_index) + ".")
                .c_str());
    }
    semGive(p_args->done);
    return 0;
}

TEST_F(LogsTest, TwoWritersFillTheRingWithoutLoss) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    ASSERT_NE(l_logs, nullptr);
    /* Held, so that exactly the ring's size is offered: any shared slot would show as a loss. */
    l_logs->HoldWriting(true);

    WriterArgs l_args[2];
    for (int l_writer = 0; l_writer < 2; l_writer++) {
        l_args[l_writer] = {l_logs, l_writer, semBCreate(SEM_Q_FIFO, SEM_EMPTY)};
        ASSERT_NE(taskSpawn("tWriter", 100, 0, 20000, (FUNCPTR)WriterTask,
                            (_Vx_usr_arg_t)&l_args[l_writer], 0, 0, 0, 0, 0, 0, 0, 0, 0),
                  ERROR);
    }
    for (WriterArgs& l_arg : l_args) {
        ASSERT_EQ(semTake(l_arg.done, WAIT_FOREVER), OK);
        semDelete(l_arg.done);
    }
    EXPECT_TRUE(l_logs->m_no_loss);
    EXPECT_EQ(StoredSlots(*l_logs), static_cast<size_t>(C_UPG_LOGS_NB_SLOTS));

    l_logs->HoldWriting(false);
    int l_last = C_UPG_LOGS_NB_SLOTS / 2 - 1;
    ASSERT_TRUE(host::waitForSyslog("writer 0 line " + std::to_string(l_last) + ".", WAIT_MS));
    ASSERT_TRUE(host::waitForSyslog("writer 1 line " + std::to_string(l_last) + ".", WAIT_MS));

    std::set<std::string> l_seen;
    for (const std::string& l_line : host::syslogLines()) {
        size_t l_at = l_line.find("writer ");
        if (l_at != std::string::npos) {
            EXPECT_TRUE(l_seen.insert(l_line.substr(l_at)).second) << l_line;
        }
    }
    EXPECT_EQ(l_seen.size(), static_cast<size_t>(C_UPG_LOGS_NB_SLOTS));
    EXPECT_EQ(SyslogCount("losts logs"), 0u);
}

}  // namespace
