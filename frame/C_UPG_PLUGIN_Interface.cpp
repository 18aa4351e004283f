/*
 * Base class of the upgrade plugins: construction, the step launchers and
 * their tasks, the notifications to the upgrade manager and the look-up of
 * host operations by name.
 */
#include "C_UPG_PLUGIN_Interface.h"

#include <string.h>

#include <host/C_ActiveMessage.h>
#include <host/C_BCM_UPGRADE.h>
#include <host/context_data.h>
#include <host/file_helpers.h>
#include <host/systool.h>
#include <platform/fileio.h>
#include <platform/kernel.h>
#include <platform/symtab.h>

namespace {

/* Marks a launch in progress, before the spawned task's id is known. */
const int k_launch_pending = -1;

const char* const k_end_of_upgrade_symbol = "_ZN13C_BCM_UPGRADE12EndOfUpgradeEv";
const char* const k_aborted_by_extraction_symbol =
    "_ZN13C_BCM_UPGRADE26UpgradeAbortedByExtractionEv";
const char* const k_send_plugin_message_symbol =
    "_ZN13C_BCM_UPGRADE17SendPluginMessageE24C_BCM_UPGRADE_msg_plugin";
const char* const k_media_inf_file = "/SYSTEM/Data_base/media.inf";

/* Host interface versions above this one embed version 6. */
const int k_last_version_before_6 = 20103;

typedef int (*t_bcm_operation)(C_BCM_UPGRADE*);
typedef int (*t_bcm_send_message)(C_BCM_UPGRADE*, C_BCM_UPGRADE_msg_plugin);

_Vx_usr_arg_t Tick() { return (_Vx_usr_arg_t)tickGet(); }

void Console(const char* p_format, _Vx_usr_arg_t p_a1 = 0, _Vx_usr_arg_t p_a2 = 0,
             _Vx_usr_arg_t p_a3 = 0) {
    logMsg(p_format, p_a1, p_a2, p_a3, 0, 0, 0);
}

/* The step tasks and the launcher share the task id without a lock. */
void StoreTaskId(int* p_id, int p_value) { __atomic_store_n(p_id, p_value, __ATOMIC_RELEASE); }

/* 1 when the medium's root still opens as a folder. */
int IsMediumPresent(const CMMString& p_root) {
    DIR* l_dir = fsOpendir(p_root.GetBuffer());
    if (l_dir == nullptr) {
        return 0;
    }
    closedir(l_dir);
    return 1;
}

int ReadUpgradeState() {
    int l_upgrade_state = 0;
    (void)C_CONTEXT_DYNAMIC_DATA::Get(CDD_ITEM_UPGRADE_STATE, &l_upgrade_state,
                                      sizeof(l_upgrade_state));
    return l_upgrade_state;
}

}  // namespace

C_UPG_PLUGIN_Interface::C_UPG_PLUGIN_Interface()
    : m_bcm(nullptr),
      m_plugin_upgrade_task_ID(0),
      m_hour(0),
      m_minute(0),
      m_year(0),
      m_month(0),
      m_day(0),
      m_iLogFile(-1),
      m_LogFilePtr(nullptr),
      m_stdout_fd(0),
      m_log_archived_once(false),
      m_interface_version6_embedded(false),
      m_addr_BCM_UPG_END_OF_UPGRADE(nullptr),
      m_addr_BCM_UPG_ABORTED_BY_EXTRACT(nullptr),
      m_addr_BCM_SEND_PLUGIN_MESSAGE(nullptr),
      m_hardware_code(0),
      m_plugin_partition_block_size(0),
      m_log_lock(semBCreate(SEM_Q_FIFO, SEM_FULL)) {
    Console("%ld - (C_UPG_PLUGIN_Interface) Constructor : init of attributes \n", Tick());
}

C_UPG_PLUGIN_Interface::~C_UPG_PLUGIN_Interface() {
    Console("%ld - (C_UPG_PLUGIN_Interface) Destructor : reset of attributes \n", Tick());
    /* A log left open by the plugin would leak its descriptor and stream. */
    CloseLogFiles();
    m_bcm = nullptr;
    m_hardware_description.Purge();
    m_plugin_sub_version.Purge();
    m_upgrade_root_path.Purge();
    m_history_sub_version.Purge();
    StoreTaskId(&m_plugin_upgrade_task_ID, 0);
    if (m_log_lock != nullptr) {
        semDelete(m_log_lock);
        m_log_lock = nullptr;
    }
}

void C_UPG_PLUGIN_Interface::Init(const CMMString& p_root) {
    m_bcm = C_BCM_UPGRADE::Instance();
    if (m_bcm == nullptr) {
        SYSTOOL_logError("C_UPG_PLUGIN_Interface", "Constructor", "C_BCM_UPGRADE Pointer is null",
                         6);
    } else {
        m_upgrade_root_path = p_root;

        CMMString l_inf_file = p_root + "/UpgPlugin.out.inf";
        char l_sub_version[GETINFVALUE_BUFFER_SIZE];
        memset(l_sub_version, 0, sizeof(l_sub_version));
        if (GetInfValue(l_inf_file.GetBuffer(), "SUBVER", l_sub_version, sizeof(l_sub_version)) ==
            0) {
            Console("(C_UPG_PLUGIN_Interface) Constructor : SUBVER = '%s' from '%s'\n",
                    (_Vx_usr_arg_t)l_sub_version, (_Vx_usr_arg_t)l_inf_file.GetBuffer());
            m_plugin_sub_version = l_sub_version;
        }
    }

    m_addr_BCM_UPG_END_OF_UPGRADE = nullptr;
    m_addr_BCM_UPG_END_OF_UPGRADE = GetAddrSymbol(k_end_of_upgrade_symbol);
    m_addr_BCM_UPG_ABORTED_BY_EXTRACT = nullptr;
    m_addr_BCM_UPG_ABORTED_BY_EXTRACT = GetAddrSymbol(k_aborted_by_extraction_symbol);

    CMMString l_version;
    if (m_bcm != nullptr) {
        CMMString l_media_inf(k_media_inf_file);
        if (m_bcm->GetValueInFile(l_media_inf, CMMString("VER"), l_version) == -1) {
            Console("(C_APPLI_UPG_PLUGIN) GetValueInFile ('%s', 'VER') ERROR !!!\n",
                    (_Vx_usr_arg_t)k_media_inf_file);
            l_version = "0";
        }
    }

    m_plugin_partition_block_size = 0;
    m_interface_version6_embedded = l_version.ToInt() > k_last_version_before_6;
}

int C_UPG_PLUGIN_Interface::LaunchCheckCompatibility(C_UPG_PLUGIN_Interface* p_instance) {
    int l_result = LaunchTask(reinterpret_cast<FUNCPTR>(StaticCheckCompatibilityTask),
                              (_Vx_usr_arg_t)p_instance);
    if (l_result == -1) {
        Console("%ld - (C_UPG_PLUGIN_Interface) LaunchTask (CheckCompatibilityTask) error !!\n",
                Tick());
    }
    return l_result;
}

int C_UPG_PLUGIN_Interface::LaunchCheckMedia(C_UPG_PLUGIN_Interface* p_instance) {
    int l_result =
        LaunchTask(reinterpret_cast<FUNCPTR>(StaticCheckMediaTask), (_Vx_usr_arg_t)p_instance);
    if (l_result == -1) {
        Console("%ld - (C_UPG_PLUGIN_Interface) LaunchTask (LaunchCheckMedia) error !!!\n", Tick());
    }
    return l_result;
}

int C_UPG_PLUGIN_Interface::LaunchUpgrade(C_UPG_PLUGIN_Interface* p_instance) {
    int l_result =
        LaunchTask(reinterpret_cast<FUNCPTR>(StaticUpgradeTask), (_Vx_usr_arg_t)p_instance);
    if (l_result == -1) {
        Console("%ld - (C_UPG_PLUGIN_Interface) LaunchTask (LaunchUpgrade) error !!!\n", Tick());
    }
    return l_result;
}

int C_UPG_PLUGIN_Interface::LaunchEndOfUpgrade(C_UPG_PLUGIN_Interface* p_instance) {
    int l_result =
        LaunchTask(reinterpret_cast<FUNCPTR>(StaticEndOfUpgradeTask), (_Vx_usr_arg_t)p_instance);
    if (l_result == -1) {
        Console("%ld - (C_UPG_PLUGIN_Interface) LaunchTask (LaunchEndOfUpgrade) error !!!\n",
                Tick());
    }
    return l_result;
}

int C_UPG_PLUGIN_Interface::LaunchTask(FUNCPTR p_entry, _Vx_usr_arg_t p_arg) {
    /* Claim the guard before spawning: a step that ends at once clears it
     * itself, and only a claim still pending is replaced by the task's id. */
    int l_expected = 0;
    if (!__atomic_compare_exchange_n(&m_plugin_upgrade_task_ID, &l_expected, k_launch_pending,
                                     false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
        Console("%ld - LaunchTask : m_plugin_upgrade_task_ID != NULL !!!\n", Tick());
        return -1;
    }
    if (m_upgrade_root_path.IsEmpty()) {
        StoreTaskId(&m_plugin_upgrade_task_ID, 0);
        Console("%ld - LaunchTask : m_upgrade_root_path is empty !!!!\n", Tick());
        return -1;
    }

    int l_task_id =
        taskSpawn("UPG_Plug", 150, VX_FP_TASK, 20000, p_entry, p_arg, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    if (l_task_id == ERROR) {
        int l_errno = errnoGet();
        StoreTaskId(&m_plugin_upgrade_task_ID, 0);
        Console("%ld - LaunchTask : taskSpawn error (errno = 0x%X)\n", Tick(),
                (_Vx_usr_arg_t)l_errno);
        return -1;
    }

    int l_pending = k_launch_pending;
    __atomic_compare_exchange_n(&m_plugin_upgrade_task_ID, &l_pending, l_task_id, false,
                                __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
    return 0;
}

int C_UPG_PLUGIN_Interface::StaticCheckCompatibilityTask(C_UPG_PLUGIN_Interface* p_instance) {
    if (p_instance == nullptr) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckCompatibilityTask : p_instance is null "
            "!!! >>\n",
            Tick());
        return -1;
    }
    p_instance->CheckCompatibilityTask();
    StoreTaskId(&p_instance->m_plugin_upgrade_task_ID, 0);

    int l_upgrade_state = ReadUpgradeState();
    Console(
        "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckCompatibilityTask : l_upgrade_state = %d "
        ">>\n",
        Tick(), (_Vx_usr_arg_t)l_upgrade_state);

    if (!p_instance->GetInterfaceVersion6Embedded()) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckCompatibilityTask : Version 6 not "
            "embedded >>\n",
            Tick());
        return 0;
    }
    if (l_upgrade_state == BCM_UPGRADE_ENDED_KO) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckCompatibilityTask : BCM_UPGRADE_ENDED_KO "
            ">>\n",
            Tick());
        p_instance->SendUpgradeEnded();
        return 0;
    }
    if (!IsMediumPresent(p_instance->m_upgrade_root_path)) {
        p_instance->SendUpgradeAbortedByExtraction();
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::StaticCheckMediaTask(C_UPG_PLUGIN_Interface* p_instance) {
    if (p_instance == nullptr) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : p_instance is null !!! "
            ">>\n",
            Tick());
        return -1;
    }
    /* The medium is gone: no step, no report, and the guard stays set. */
    if (!IsMediumPresent(p_instance->m_upgrade_root_path)) {
        return -1;
    }
    Console("%ld - (C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : Key still pluged >>\n",
            Tick());
    p_instance->CheckMediaTask();
    StoreTaskId(&p_instance->m_plugin_upgrade_task_ID, 0);

    int l_upgrade_state = ReadUpgradeState();
    Console("%ld - (C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : l_upgrade_state = %d >>\n",
            Tick(), (_Vx_usr_arg_t)l_upgrade_state);

    if (!p_instance->GetInterfaceVersion6Embedded()) {
        return 0;
    }
    if (l_upgrade_state == BCM_UPGRADE_ENDED_KO) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : BCM_UPGRADE_ENDED_KO >>\n",
            Tick());
        p_instance->SendUpgradeEnded();
        return 0;
    }
    if (!IsMediumPresent(p_instance->m_upgrade_root_path)) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << StaticCheckMediaTask : "
            "SendUpgradeAbortedByExtraction >>\n",
            Tick());
        p_instance->SendUpgradeAbortedByExtraction();
        p_instance->SendUpgradeEnded();
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::StaticUpgradeTask(C_UPG_PLUGIN_Interface* p_instance) {
    Console("%ld - (C_UPG_PLUGIN_Interface) << StaticUpgrade + >>\n", Tick());
    if (p_instance == nullptr) {
        Console("%ld - (C_UPG_PLUGIN_Interface) << StaticUpgradeTask : p_instance is null !!! >>\n",
                Tick());
        return -1;
    }
    if (!IsMediumPresent(p_instance->m_upgrade_root_path)) {
        return -1;
    }
    Console("%ld - (C_UPG_PLUGIN_Interface) << StaticUpgradeTask : launch of Upgrade task >>\n",
            Tick());
    p_instance->UpgradeTask();
    StoreTaskId(&p_instance->m_plugin_upgrade_task_ID, 0);

    if (p_instance->GetInterfaceVersion6Embedded()) {
        p_instance->SendUpgradeEnded();
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::StaticEndOfUpgradeTask(C_UPG_PLUGIN_Interface* p_instance) {
    if (p_instance == nullptr) {
        return -1;
    }
    p_instance->EndOfUpgradeTask();
    StoreTaskId(&p_instance->m_plugin_upgrade_task_ID, 0);
    return 0;
}

void C_UPG_PLUGIN_Interface::SendUpgradeEnded() {
    if (m_bcm == nullptr) {
        return;
    }
    if (m_addr_BCM_UPG_END_OF_UPGRADE == nullptr) {
        Console(
            " (C_UPG_PLUGIN_Interface) : SendUpgradeEnded : m_addr_BCM_UPG_END_OF_UPGRADE is "
            "NULL!! \n");
        return;
    }
    Console(" (C_UPG_PLUGIN_Interface) : SendUpgradeEnded : call of EndOfUpgrade\n");
    t_bcm_operation l_operation = reinterpret_cast<t_bcm_operation>(m_addr_BCM_UPG_END_OF_UPGRADE);
    if (l_operation(m_bcm) == -1) {
        Console(" (C_UPG_PLUGIN_Interface) SendUpgradeEnded: Call of EndOfUpgrade failed");
    } else {
        Console(" (C_UPG_PLUGIN_Interface) SendUpgradeEnded: Call of EndOfUpgrade succeeded");
    }
}

void C_UPG_PLUGIN_Interface::SendUpgradeAbortedByExtraction() {
    if (m_bcm == nullptr) {
        return;
    }
    if (m_addr_BCM_UPG_ABORTED_BY_EXTRACT == nullptr) {
        Console(
            " (C_UPG_PLUGIN_Interface) : SendUpgradeAbortedByExtraction : "
            "m_addr_BCM_UPG_ABORTED_BY_EXTRACT is NULL!! \n");
        return;
    }
    Console(
        " (C_UPG_PLUGIN_Interface) : SendUpgradeAbortedByExtraction : call of "
        "AbortedByExtraction\n");
    t_bcm_operation l_operation =
        reinterpret_cast<t_bcm_operation>(m_addr_BCM_UPG_ABORTED_BY_EXTRACT);
    if (l_operation(m_bcm) == -1) {
        Console(
            " (C_UPG_PLUGIN_Interface) SendUpgradeAbortedByExtraction: Call of AbortedByExtraction "
            "failed");
    } else {
        Console(
            " (C_UPG_PLUGIN_Interface) SendUpgradeAbortedByExtraction: Call of AbortedByExtraction "
            "succeeded");
    }
}

int C_UPG_PLUGIN_Interface::SendMessageToBCM(C_BCM_UPGRADE_msg_plugin p_msg) {
    m_addr_BCM_SEND_PLUGIN_MESSAGE = nullptr;
    m_addr_BCM_SEND_PLUGIN_MESSAGE = GetAddrSymbol(k_send_plugin_message_symbol);
    if (m_bcm == nullptr) {
        return 0;
    }
    if (m_addr_BCM_SEND_PLUGIN_MESSAGE == nullptr) {
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_PLUGIN_Interface) << SendMessageToBCM >> BCM send message pointer is NULL!",
            (long)tickGet());
        return -1;
    }
    t_bcm_send_message l_send =
        reinterpret_cast<t_bcm_send_message>(m_addr_BCM_SEND_PLUGIN_MESSAGE);
    if (l_send(m_bcm, p_msg) == -1) {
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_PLUGIN_Interface) << SendMessageToBCM >> Send message 0x%X to BCM returns "
            "error!",
            (long)tickGet(), (unsigned int)p_msg.GetMsgContent());
        return -1;
    }
    SYSTOOL_LogMsgNoFormat(
        false, "%ld - (C_PLUGIN_Interface) << SendMessageToBCM >> Send message 0x%X to BCM",
        (long)tickGet(), (unsigned int)p_msg.GetMsgContent());
    return 0;
}

int C_UPG_PLUGIN_Interface::SetPluginCDDState(t_bcm_upgrade_state p_state) {
    int l_state = p_state;
    if (C_CONTEXT_DYNAMIC_DATA::Set(CDD_GROUP_UPGRADE, CDD_ITEM_UPGRADE_STATE, &l_state,
                                    sizeof(l_state)) != 0) {
        Console(
            "%ld - (C_UPG_PLUGIN_Interface) << SetPluginCDDState : SetCDDState (0x%X) ERROR >>\n",
            Tick(), (_Vx_usr_arg_t)l_state);
        return -1;
    }
    Console("%ld - (C_UPG_PLUGIN_Interface) << SetPluginCDDState : SetCDDState (0x%X) >>\n", Tick(),
            (_Vx_usr_arg_t)l_state);
    return 0;
}

void* C_UPG_PLUGIN_Interface::GetAddrSymbol(const char* p_name) {
    char* l_value = nullptr;
    if (symFindByName(sysSymTbl, p_name, &l_value, nullptr) != OK) {
        UpgradePluginLog("%ld - (C_UPG_PLUGIN_Interface) GetAddrSymbol (%s) return ERROR\n",
                         (long)tickGet(), p_name != nullptr ? p_name : "");
        return nullptr;
    }
    return l_value;
}
