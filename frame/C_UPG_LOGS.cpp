#include "C_UPG_LOGS.h"

#include <stddef.h>

#include <new>

#include <host/systool.h>

C_UPG_LOGS* C_UPG_LOGS::m_pInstance = NULL;

C_UPG_LOGS* C_UPG_LOGS::Instance() {
    /* Two first callers at once must not build two loggers. */
    static SEM_ID l_create_lock = semBCreate(SEM_Q_FIFO, SEM_FULL);

    if (l_create_lock != NULL) semTake(l_create_lock, WAIT_FOREVER);
    if (m_pInstance == NULL) {
        m_pInstance = new (std::nothrow) C_UPG_LOGS();
        if (m_pInstance == NULL) {
            SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::Instance): new failed", tickGet());
        }
    }
    C_UPG_LOGS* l_instance = m_pInstance;
    if (l_create_lock != NULL) semGive(l_create_lock);
    return l_instance;
}

C_UPG_LOGS::C_UPG_LOGS()
    : m_write_index(0),
      m_no_loss(true),
      m_log_msgQ(NULL),
      m_log_task_id(0),
      m_lock(NULL),
      m_hold(NULL),
      m_held(false) {
    SYSTOOL_LogMsgNoFormat(false, "(C_UPG_LOGS)  Constructor + ");
    for (unsigned int l_index = 0; l_index < C_UPG_LOGS_NB_SLOTS; l_index++) {
        m_logs[l_index].Clear();
    }

    m_lock = semBCreate(SEM_Q_FIFO, SEM_FULL);
    m_hold = semBCreate(SEM_Q_FIFO, SEM_FULL);
    m_log_msgQ = msgQCreate(C_UPG_LOGS_NB_SLOTS, 4, MSG_Q_FIFO);
    if (m_log_msgQ == NULL) {
        SYSTOOL_LogMsgNoFormat(false,
                               "%ld - C_UPG_LOGS::C_UPG_LOGS: msgQCreate ERROR (errno = 0x%X)\n",
                               tickGet(), errnoGet());
        SYSTOOL_LogMsgNoFormat(false, "(C_UPG_LOGS)  Constructor - ");
        return;
    }

    /* The id is stored under the lock so that a task that ends at once cannot be overwritten. */
    if (m_lock != NULL) semTake(m_lock, WAIT_FOREVER);
    int l_tid = taskSpawn("tLogUpg", 100, VX_FP_TASK, 15000, (FUNCPTR)StaticLogTask,
                          (_Vx_usr_arg_t)this, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    if (l_tid == ERROR) {
        m_log_task_id = 0;
        SYSTOOL_LogMsgNoFormat(
            false, "%ld - (C_UPG_LOGS::C_UPG_LOGS) taskspawn (tLogTask) failed - errno = 0x%X!",
            tickGet(), errnoGet());
    } else {
        m_log_task_id = l_tid;
    }
    if (m_lock != NULL) semGive(m_lock);
    SYSTOOL_LogMsgNoFormat(false, "(C_UPG_LOGS)  Constructor - ");
}

C_UPG_LOGS::~C_UPG_LOGS() {
    if (m_lock != NULL) semTake(m_lock, WAIT_FOREVER);
    for (unsigned int l_index = 0; l_index < C_UPG_LOGS_NB_SLOTS; l_index++) {
        m_logs[l_index].Clear();
    }
    m_write_index = 0;
    m_no_loss = true;
    int l_tid = m_log_task_id;
    if (m_lock != NULL) semGive(m_lock);

    /* A held task could never see the stop value. */
    HoldWriting(false);

    if (m_log_msgQ != NULL) {
        int l_stop = C_UPG_LOGS_STOP_VALUE;
        msgQSend(m_log_msgQ, (char*)&l_stop, sizeof(l_stop), WAIT_FOREVER, MSG_PRI_NORMAL);
    }

    /* The task reads this object until it ends: wait for it before freeing anything. */
    if (l_tid != 0) {
        while (taskIdVerify(l_tid) == OK) {
            taskDelay(1);
        }
    }

    if (m_log_msgQ != NULL) {
        msgQDelete(m_log_msgQ);
        m_log_msgQ = NULL;
    }
    if (m_hold != NULL) semDelete(m_hold);
    if (m_lock != NULL) semDelete(m_lock);
    m_hold = NULL;
    m_lock = NULL;

    /* Never leave the singleton pointing at freed memory. */
    if (m_pInstance == this) m_pInstance = NULL;
}

void C_UPG_LOGS::Log(const CMMString& p_message) { Log(p_message.GetBuffer()); }

void C_UPG_LOGS::Log(const char* p_message) {
    if (this != m_pInstance) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::Log) => You must use the Instance!!!\n",
                               tickGet());
        return;
    }
    CMMString l_text;
    l_text.Format("%ld - %s", tickGet(), (p_message != NULL) ? p_message : "");
    Add(l_text);
}

void C_UPG_LOGS::Add(const CMMString& p_text) {
    /* An empty text would look like a free slot while its number is queued. */
    if (p_text.IsEmpty()) return;

    /* Slot choice and send together, so that two writers never share a slot. */
    if (m_lock != NULL) semTake(m_lock, WAIT_FOREVER);
    if (m_logs[m_write_index].IsNotEmpty()) {
        m_no_loss = false;
    } else {
        m_no_loss = true;
        m_logs[m_write_index] = p_text;
        int l_slot = (int)m_write_index;
        /* A free slot means its number is out of the queue, so there is room for it. */
        if (msgQSend(m_log_msgQ, (char*)&l_slot, sizeof(l_slot), WAIT_FOREVER, MSG_PRI_NORMAL) ==
            ERROR) {
            SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::Add) msgQSend ERROR (errno = 0x%X)\n",
                                   tickGet(), errnoGet());
        } else {
            m_write_index = (m_write_index + 1) % C_UPG_LOGS_NB_SLOTS;
        }
    }
    if (m_lock != NULL) semGive(m_lock);
}

void C_UPG_LOGS::PurgeElement(unsigned int p_index) {
    if (p_index >= C_UPG_LOGS_NB_SLOTS) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - (ResetElement): p_index (%d) error\n", tickGet(),
                               (int)p_index);
        return;
    }
    if (m_lock != NULL) semTake(m_lock, WAIT_FOREVER);
    m_logs[p_index].Clear();
    if (m_lock != NULL) semGive(m_lock);
}

int C_UPG_LOGS::GetTaskId() {
    if (m_lock != NULL) semTake(m_lock, WAIT_FOREVER);
    int l_tid = m_log_task_id;
    if (m_lock != NULL) semGive(m_lock);
    return l_tid;
}

void C_UPG_LOGS::HoldWriting(bool p_hold) {
    if (m_hold == NULL || p_hold == m_held) return;
    if (p_hold) {
        semTake(m_hold, WAIT_FOREVER);
    } else {
        semGive(m_hold);
    }
    m_held = p_hold;
}

int C_UPG_LOGS::StaticLogTask(C_UPG_LOGS* p_instance) {
    if (p_instance == NULL) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::LogTask) Instance is NULL!!!\n",
                               tickGet());
        return 0;
    }
    if (p_instance->m_log_msgQ == NULL) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::LogTask) m_log_msgQ is NULL!!!\n",
                               tickGet());
        if (p_instance->m_lock != NULL) semTake(p_instance->m_lock, WAIT_FOREVER);
        p_instance->m_log_task_id = 0;
        if (p_instance->m_lock != NULL) semGive(p_instance->m_lock);
        return 0;
    }

    for (;;) {
        int l_slot = 0;
        if (msgQReceive(p_instance->m_log_msgQ, (char*)&l_slot, sizeof(l_slot), WAIT_FOREVER) ==
            ERROR) {
            SYSTOOL_LogMsgNoFormat(false,
                                   "%ld - (C_UPG_LOGS::LogTask) msgQReceive ERROR (errno = 0x%X)\n",
                                   tickGet(), errnoGet());
            break;
        }
        if (l_slot == C_UPG_LOGS_STOP_VALUE) break;
        if (l_slot < 0 || l_slot >= C_UPG_LOGS_NB_SLOTS) continue;

        if (p_instance->m_hold != NULL) {
            semTake(p_instance->m_hold, WAIT_FOREVER);
            semGive(p_instance->m_hold);
        }

        /* Copy under the lock, write without it: writers never wait for the system log. */
        if (p_instance->m_lock != NULL) semTake(p_instance->m_lock, WAIT_FOREVER);
        CMMString l_text = p_instance->m_logs[l_slot];
        bool l_no_loss = p_instance->m_no_loss;
        if (p_instance->m_lock != NULL) semGive(p_instance->m_lock);

        if (l_no_loss) {
            SYSTOOL_LogMsgNoFormat(false, "%s\n", l_text.GetBuffer());
        } else {
            SYSTOOL_LogMsgNoFormat(false, "losts logs before this one: %s\n", l_text.GetBuffer());
        }
        p_instance->PurgeElement((unsigned int)l_slot);
    }

    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_LOGS::LogTask) end of task.\n", tickGet());
    if (p_instance->m_lock != NULL) semTake(p_instance->m_lock, WAIT_FOREVER);
    p_instance->m_log_task_id = 0;
    if (p_instance->m_lock != NULL) semGive(p_instance->m_lock);
    return 0;
}
