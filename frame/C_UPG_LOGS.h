/*
 * Asynchronous log: writers store their message in a ring of slots and queue
 * the slot number; the task "tLogUpg" writes the slots to the system log, so
 * that a writer never waits for the log itself.
 */
#ifndef FRAME_C_UPG_LOGS_H
#define FRAME_C_UPG_LOGS_H

#include <host/CMMString.h>
#include <platform/kernel.h>

#define C_UPG_LOGS_NB_SLOTS 1000
/* Queued instead of a slot number: tells the task to end. */
#define C_UPG_LOGS_STOP_VALUE ((int)0xFFFF0000)

class C_UPG_LOGS {
  public:
    C_UPG_LOGS();
    virtual ~C_UPG_LOGS();

    /* The singleton, created on first use; null when it cannot be allocated. */
    static C_UPG_LOGS* Instance();

    void Log(const CMMString& p_message);
    void Log(const char* p_message);
    void Add(const CMMString& p_text);
    void PurgeElement(unsigned int p_index);
    int GetTaskId();

    /*
     * Holds (true) or releases (false) the task before it writes its next
     * slot: messages keep being stored meanwhile. For diagnosis of a full ring.
     */
    void HoldWriting(bool p_hold);

    static int StaticLogTask(C_UPG_LOGS* p_instance);

    static C_UPG_LOGS* m_pInstance;

    CMMString m_logs[C_UPG_LOGS_NB_SLOTS];
    unsigned int m_write_index;
    bool m_no_loss;
    MSG_Q_ID m_log_msgQ;
    int m_log_task_id;

  private:
    /* Guards the ring, the index, the loss flag and the task id against several writers and the
     * task. */
    SEM_ID m_lock;
    /* Taken by HoldWriting; the task passes through it before each slot. */
    SEM_ID m_hold;
    bool m_held;

    C_UPG_LOGS(const C_UPG_LOGS&) = delete;
    C_UPG_LOGS& operator=(const C_UPG_LOGS&) = delete;
};

#endif /* FRAME_C_UPG_LOGS_H */
