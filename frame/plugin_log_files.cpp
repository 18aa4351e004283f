/*
 * The step logs of the plugins, their archives, the shared upgrade history
 * and the redirection of the console to a telnet connection.
 */
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include <host/C_BCM_UPGRADE.h>
#include <host/dateclock.h>
#include <host/systool.h>
#include <platform/fileio.h>
#include <platform/iosys.h>
#include <platform/kernel.h>

#include "C_UPG_PLUGIN_Interface.h"

namespace {

const char* const k_spy_folder = "/SYSTEM_TMP_DATA/spy";
const char* const k_upg_folder = "/SYSTEM_TMP_DATA/spy/UPG";
const char* const k_log_folder = "/SYSTEM_TMP_DATA/spy/UPG/";
const char* const k_history_file = "/SYSTEM_TMP_DATA/spy/UPG/UPG_history.txt";
const char* const k_history_backup = "/SYSTEM_TMP_DATA/spy/UPG/UPG_history.txt_1";

/* A history of this size or more starts over in a new file. */
const long k_history_size_limit = 51200;

/* Archives kept per log kind, _1 the newest. */
const int k_log_archives = 5;

/* Files of the log kinds, by value; 0 has none. */
const char* const k_log_files[] = {
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
const int k_last_log_kind = UPG_LOG_ST_LIBELLE;

void Console(const char* p_format, _Vx_usr_arg_t p_a1 = 0, _Vx_usr_arg_t p_a2 = 0) {
    logMsg(p_format, p_a1, p_a2, 0, 0, 0, 0);
}

void CreateLogFolders() {
    (void)fsMkdir(k_spy_folder, 0777);
    (void)fsMkdir(k_upg_folder, 0777);
}

/* A message formatted whole; long messages go to the heap. */
class C_FORMATTED_TEXT {
  public:
    C_FORMATTED_TEXT(const char* p_format, va_list p_args) : m_text(m_local) {
        m_local[0] = '\0';
        if (p_format == nullptr) {
            return;
        }
        va_list l_copy;
        va_copy(l_copy, p_args);
        int l_length = vsnprintf(m_local, sizeof(m_local), p_format, l_copy);
        va_end(l_copy);
        if (l_length >= (int)sizeof(m_local)) {
            char* l_heap = new (std::nothrow) char[l_length + 1];
            if (l_heap != nullptr) {
                vsnprintf(l_heap, l_length + 1, p_format, p_args);
                m_text = l_heap;
            }
        }
    }
    ~C_FORMATTED_TEXT() {
        if (m_text != m_local) {
            delete[] m_text;
        }
    }
    const char* Get() const { return m_text; }

  private:
    C_FORMATTED_TEXT(const C_FORMATTED_TEXT&) = delete;
    C_FORMATTED_TEXT& operator=(const C_FORMATTED_TEXT&) = delete;

    char m_local[512];
    char* m_text;
};

}  // namespace

int C_UPG_PLUGIN_Interface::GetCorrespondingLogFilePath(t_upg_log p_kind, CMMString& p_path) {
    int l_kind = (int)p_kind;
    if (l_kind < 1 || l_kind > k_last_log_kind) {
        return -1;
    }
    p_path = CMMString(k_log_folder) + k_log_files[l_kind];
    return 0;
}

void C_UPG_PLUGIN_Interface::TakeLogLock() {
    if (m_log_lock != nullptr) {
        semTake(m_log_lock, WAIT_FOREVER);
    }
}

void C_UPG_PLUGIN_Interface::GiveLogLock() {
    if (m_log_lock != nullptr) {
        semGive(m_log_lock);
    }
}

void C_UPG_PLUGIN_Interface::CloseLogFiles() {
    TakeLogLock();
    if (m_iLogFile != -1) {
        fsClose(m_iLogFile);
    }
    if (m_LogFilePtr != nullptr) {
        fclose(m_LogFilePtr);
    }
    m_iLogFile = -1;
    m_LogFilePtr = nullptr;
    GiveLogLock();
}

int C_UPG_PLUGIN_Interface::SetUpgradeLogging(t_upgrade_log_state p_command, t_upg_log p_kind) {
    CMMString l_path;
    if (GetCorrespondingLogFilePath(p_kind, l_path) != 0) {
        char l_kind[16];
        snprintf(l_kind, sizeof(l_kind), "%d", (int)p_kind);
        Console(
            "GetCorrespondingLogFilePath: The specified upgrade type is mising <%s>\n LOG cannot "
            "be created \n",
            (_Vx_usr_arg_t)l_kind);
        return -1;
    }
    const char* l_file = l_path.GetBuffer();

    switch ((int)p_command) {
        case UPG_LOG_START: {
            /* Starting again while open would leak the former descriptor and stream. */
            CloseLogFiles();

            int l_log_file = -1;
            FILE* l_log_stream = nullptr;
            FILE* l_probe = fsFopen(l_file, "r");
            if (l_probe != nullptr) {
                fclose(l_probe);
                l_log_file = fsOpen(l_file, O_RDWR, 0644);
                l_log_stream = fsFopen(l_file, "a");
                if (fsLseek(l_log_file, 0, SEEK_END) == (off_t)-1) {
                    Console("lseek (<%s>, 0, SEEK_END) return ERROR\n\t", (_Vx_usr_arg_t)l_file);
                }
            } else {
                Console("Create Log file '%s'\n", (_Vx_usr_arg_t)l_file);
                CreateLogFolders();
                l_log_file = fsOpen(l_file, O_RDWR | O_CREAT, 0644);
                l_log_stream = fsFopen(l_file, "a");
            }

            if (l_log_file == -1) {
                /* Without the descriptor the log counts as closed: drop the stream too. */
                if (l_log_stream != nullptr) {
                    fclose(l_log_stream);
                }
                Console("SetUpgradeLogging: could not create or append log file <%s>\n",
                        (_Vx_usr_arg_t)l_file);
                return -1;
            }
            TakeLogLock();
            m_iLogFile = l_log_file;
            m_LogFilePtr = l_log_stream;
            GiveLogLock();
            return 0;
        }
        case UPG_LOG_STOP:
            taskDelay(500);
            CloseLogFiles();
            return 0;
        case UPG_LOG_STOP_AND_ARCHIVE:
            taskDelay(500);
            CloseLogFiles();
            MakeLogArchive(p_kind);
            return 0;
        default:
            Console("SetUpgradeLogging: Activation command (%d) unknown !\n",
                    (_Vx_usr_arg_t)p_command);
            return -1;
    }
}

void C_UPG_PLUGIN_Interface::MakeLogArchive(t_upg_log& p_kind) {
    if (p_kind == UPG_LOG_GENERIC) {
        return;
    }
    CMMString l_path;
    if (GetCorrespondingLogFilePath(p_kind, l_path) != 0) {
        return;
    }
    const char* l_file = l_path.GetBuffer();

    CMMString l_older;
    CMMString l_newer;
    for (int l_n = k_log_archives - 1; l_n >= 1; l_n--) {
        l_older.Format("%s_%d", l_file, l_n);
        l_newer.Format("%s_%d", l_file, l_n + 1);
        (void)fsRename(l_older.GetBuffer(), l_newer.GetBuffer());
    }
    l_newer.Format("%s_1", l_file);
    (void)fsRename(l_file, l_newer.GetBuffer());

    if (!m_log_archived_once) {
        m_log_archived_once = true;
        (void)fsRemove(l_file);
    }
}

void C_UPG_PLUGIN_Interface::UpgradePluginLog(const char* p_format, ...) {
    va_list l_args;
    va_start(l_args, p_format);
    C_FORMATTED_TEXT l_message(p_format, l_args);
    va_end(l_args);

    /* One line at a time: lines of several tasks never mix. */
    TakeLogLock();
    if (m_iLogFile == -1) {
        GiveLogLock();
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_UPG_PLUGIN_Interface) UpgradePluginLog  error !!\n\tm_iLogFile == ERROR",
            (long)tickGet());
        return;
    }
    if (m_LogFilePtr == nullptr) {
        GiveLogLock();
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_UPG_PLUGIN_Interface) UpgradePluginLog  error !!\n\tm_LogFilePtr == NULL",
            (long)tickGet());
        Console("%s", (_Vx_usr_arg_t)l_message.Get());
        return;
    }
    SYSTOOL_LogMsgNoFormat(false, "%s", l_message.Get());
    fprintf(m_LogFilePtr, "%ld - %s\n", (long)tickGet(), l_message.Get());
    fflush(m_LogFilePtr);
    GiveLogLock();
}

int C_UPG_PLUGIN_Interface::AddUPGHistoryHeader(const CMMString& p_upgrade_type, bool p_ended) {
    int l_result = 0;

    FILE* l_history = fsFopen(k_history_file, "r+");
    if (l_history == nullptr) {
        CreateLogFolders();
        l_history = fsFopen(k_history_file, "a");
        if (l_history == nullptr) {
            Console("AddUPGHistoryHeader: failed to create history file %s\n",
                    (_Vx_usr_arg_t)k_history_file);
            l_result = -1;
        }
    }

    CMMString l_sub_version;
    CMMString l_version;
    if (m_bcm != nullptr) {
        CMMString l_inf_file = m_upgrade_root_path + "/UpgPlugin.out.inf";
        if (m_bcm->GetValueInFile(l_inf_file, CMMString("SUBVER"), l_sub_version) == -1) {
            l_sub_version.Clear();
            Console("(UpgradeTask) GetValueInFile ('%s', 'SUBVER') == ERROR !!!!\n",
                    (_Vx_usr_arg_t)l_inf_file.GetBuffer());
        }
        if (m_bcm->GetValueInFile(l_inf_file, CMMString("VER"), l_version) == -1) {
            l_version.Clear();
            Console("(UpgradeTask) GetValueInFile ('%s', 'VER') == ERROR !!!!\n",
                    (_Vx_usr_arg_t)l_inf_file.GetBuffer());
        }
    }

    t_dateclock_time l_time;
    t_dateclock_date l_date;
    memset(&l_time, 0, sizeof(l_time));
    memset(&l_date, 0, sizeof(l_date));
    C_BCM_DATECLOCK_NETWORK* l_clock = C_BCM_DATECLOCK_NETWORK::Instance();
    if (l_clock != nullptr) {
        l_clock->GetTime(l_time);
        l_clock->GetDate(l_date);
    }
    m_hour = l_time.hour;
    m_minute = l_time.minute;
    m_day = l_date.day;
    m_month = l_date.month + 1;
    m_year = l_date.year % 100;
    m_history_sub_version = l_sub_version;

    if (l_history != nullptr) {
        fseek(l_history, 0, SEEK_END);
        if (p_ended) {
            fputs("Result               : UPGRADE ENDS OK\n", l_history);
        } else {
            fprintf(l_history,
                    "\n**************************************************\n"
                    "Upgrade type         : %s\n"
                    "SW Version           : %s\n"
                    "SubVersion of Plugin : %s\n"
                    "Date                 : 20%02d/%02d/%02d\n"
                    "Time                 : %02d:%02d\n",
                    p_upgrade_type.GetBuffer(), l_version.GetBuffer(), l_sub_version.GetBuffer(),
                    m_year, m_month, m_day, m_hour, m_minute);
        }
        fclose(l_history);
    }

    /* Keep the history small: once past the limit it becomes the backup. */
    l_history = fsFopen(k_history_file, "rb+");
    if (l_history != nullptr) {
        long l_size = -1;
        if (fseek(l_history, 0, SEEK_END) == 0) {
            l_size = ftell(l_history);
        }
        fclose(l_history);
        if (l_size >= k_history_size_limit) {
            (void)fsRemove(k_history_backup);
            (void)fsRename(k_history_file, k_history_backup);
        }
    }

    return l_result;
}

void C_UPG_PLUGIN_Interface::LogsOnTelnet() {
    for (DEV_HDR* l_device = iosNextDevGet(nullptr); l_device != nullptr;
         l_device = iosNextDevGet(l_device)) {
        const char* l_name = l_device->name;
        if (l_name == nullptr || strncmp(l_name, "stdio_pty", 9) != 0) {
            continue;
        }
        size_t l_length = strlen(l_name);
        if (l_name[l_length - 1] != 'S') {
            continue;
        }
        Console("%-20.20s %-50.50s\n", (_Vx_usr_arg_t)l_name, (_Vx_usr_arg_t) "-");
        if (m_stdout_fd != 0) {
            Console("if (0 != m_stdout_fd) !!!\n");
            continue;
        }
        m_stdout_fd = fsOpen(l_name, O_RDWR, 0x309);
        if (m_stdout_fd == -1) {
            Console("ERROR == m_stdout_fd !!!\n");
        } else {
            ioGlobalStdSet(STD_OUT, m_stdout_fd);
            ioGlobalStdSet(STD_ERR, m_stdout_fd);
        }
    }
}
