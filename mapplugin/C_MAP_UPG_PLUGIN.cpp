/*
 * The map plugin object: construction with the format decision, the fixed
 * version answers, the upgrade type, the status dump and the step log.
 */
#include "C_MAP_UPG_PLUGIN.h"

#include <stdarg.h>
#include <stdio.h>

#include <new>

#include <host/C_BCM_UPGRADE.h>
#include <host/storage.h>
#include <host/systool.h>
#include <platform/fileio.h>
#include <platform/kernel.h>

C_MAP_UPG_PLUGIN* C_MAP_UPG_PLUGIN::m_pInstance = nullptr;

C_MAP_UPG_PLUGIN::C_MAP_UPG_PLUGIN(const CMMString& p_root)
    : C_UPG_PLUGIN_Interface(),
      m_plugin_type(NONE),
      m_plugin_partition_block_size(0),
      m_number_of_cid_on_media(0),
      m_index_of_infos(0),
      m_step_upgrade_in_run(0),
      m_monitor_space_continue(false),
      m_is_db_dwnl_new(false),
      m_is_gruppo_new(false),
      m_user_cancel(false),
      m_upgrade_ok(false),
      m_upgrade_task_running(false),
      m_logs_started(false),
      m_format_needed(false),
      m_deleting_mappe(false),
      m_upgrade_done(false),
      m_gruppo_valid(true),
      m_free_space_before_upgrade(0),
      m_icon_brands_size(0),
      m_used_blocks_before_upgrade(0),
      m_installed_continent(0),
      m_media_continent(0),
      m_addr_NAV_BUILD_DEST_INSTANCE(nullptr),
      m_addr_NAV_START_UPGRADE(nullptr),
      m_addr_NAV_STOP_UPGRADE(nullptr),
      m_nav_build_dest(nullptr),
      m_addr_BCM_SET_MEDIA_CONTINENT_ID(nullptr),
      m_addr_BCM_WANT_TO_REBOOT(nullptr),
      m_addr_VOLUME_READ_ONLY_SET(nullptr),
      m_cid_list(10, 10),
      m_countries_to_upgrade(10, 10),
      m_cartotree(nullptr) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << Constructor + >>", (long)tickGet());
    Init(p_root);

    C_FS_STORAGE_ENTITY* l_volume = new (std::nothrow) C_FS_STORAGE_ENTITY();
    if (l_volume != nullptr) {
        C_FS_STORAGE_CTRL_PATH::GetCartographyDir(*l_volume);
        m_sd_device_name = l_volume->GetName();
    }

    m_cartotree = new (std::nothrow) C_MAP_UPG_CARTOTREE(PERIMETER_3, p_root, m_sd_device_name);

    DIR* l_carto_dir = fsOpendir(m_sd_device_name.GetBuffer());
    if (l_carto_dir != nullptr) {
        m_installed_continent = GetInstalledContinent();
        m_format_needed = false;
        if (m_installed_continent == 0) {
            SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) : No continent on the target ",
                                   (long)tickGet());
            m_format_needed = true;
        } else {
            SYSTOOL_LogMsgNoFormat(false,
                                   "%ld - (C_MAP_UPG_PLUGIN) : Continent on the target is : %d",
                                   (long)tickGet(), m_installed_continent);
            m_media_continent = GetMediaContinent();
            SYSTOOL_LogMsgNoFormat(false,
                                   "%ld - (C_MAP_UPG_PLUGIN) : Continent on the media is : %d",
                                   (long)tickGet(), m_media_continent);
            if (m_media_continent != m_installed_continent) {
                SYSTOOL_LogMsgNoFormat(
                    false,
                    "%ld - (C_MAP_UPG_PLUGIN) : Continent on Media and on target "
                    "different!!! format needed",
                    (long)tickGet());
                m_format_needed = true;
            } else {
                SYSTOOL_LogMsgNoFormat(
                    false,
                    "%ld - (C_MAP_UPG_PLUGIN) : Continent on Media and on target is the same",
                    (long)tickGet());
                CMMString l_turkey = m_upgrade_root_path + "/DATA/MAPPE/024";
                DIR* l_turkey_dir = fsOpendir(l_turkey.GetBuffer());
                if (l_turkey_dir != nullptr) {
                    m_format_needed = (IsMappeNeedToBeFormattedDueToTurkey() == 1);
                    if (m_format_needed) {
                        SYSTOOL_LogMsgNoFormat(false,
                                               "%ld - (C_MAP_UPG_PLUGIN) : Turkey upgrade without "
                                               "previous datas!! need to format the SD!!",
                                               (long)tickGet());
                    } else {
                        SYSTOOL_LogMsgNoFormat(
                            false, "%ld - (C_MAP_UPG_PLUGIN) : No need to format the SD",
                            (long)tickGet());
                    }
                    closedir(l_turkey_dir);
                } else {
                    SYSTOOL_LogMsgNoFormat(
                        false,
                        "%ld - (C_MAP_UPG_PLUGIN) : No need to format the SD : European upgrade",
                        (long)tickGet());
                }
            }
        }
        closedir(l_carto_dir);
    }

    LogsOnTelnet();
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << Start of LOGS >>", (long)tickGet());
    SetUpgradeLogging(UPG_LOG_START, UPG_LOG_MAP);
    UpgradePluginLog("\n\n\n*************************************");
    UpgradePluginLog("*************************************");
    AddUPGHistoryHeader(CMMString("MAP UPG Plugin"), false);
    UpgradePluginLog("(C_MAP_UPGRADE_PLUGIN) Date : 20%02d/%02d/%02d", m_year, m_month, m_day);
    UpgradePluginLog("(C_MAP_UPGRADE_PLUGIN) Time : %02d:%02d", m_hour, m_minute);
    UpgradePluginLog("(C_MAP_UPGRADE_PLUGIN) SubVersion of Plugin : %s",
                     m_history_sub_version.GetBuffer());
    UpgradePluginLog("*************************************");
    UpgradePluginLog("*************************************");

    m_logs_started = true;
    UpgradePluginLog("(C_MAP_UPG_PLUGIN) << Constructor - >>");
    delete l_volume;
}

C_MAP_UPG_PLUGIN::~C_MAP_UPG_PLUGIN() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << Destructor + >>", (long)tickGet());
    /* Only the registered plugin clears the singleton, so a stray object cannot orphan it. */
    if (m_pInstance == this) {
        m_pInstance = nullptr;
    }
    m_plugin_type = NONE;
    if (m_cartotree != nullptr) {
        delete m_cartotree;
        m_cartotree = nullptr;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << Destructor - >>", (long)tickGet());
}

int C_MAP_UPG_PLUGIN::IsMappeNeedToBeFormattedDueToTurkey() {
    int l_result = 1;
    UpgradePluginLog("C_MAP_UPG_PLUGIN::IsMappeNeedToBeFormattedDueToTurkey:+");
    C_FS_STORAGE_ENTITY l_volume;
    if (C_FS_STORAGE_CTRL_PATH::GetCartographyDir(l_volume) != 0) {
        UpgradePluginLog(
            "C_MAP_UPG_PLUGIN::IsMappeNeedToBeFormattedDueToTurkey: Error to Get Cartography "
            "Directory");
    } else {
        char l_path[176];
        snprintf(l_path, sizeof(l_path), "%sMAPPE/024", l_volume.GetName().GetBuffer());
        DIR* l_dir = fsOpendir(l_path);
        if (l_dir != nullptr) {
            closedir(l_dir);
            l_result = 0;
        }
    }
    UpgradePluginLog("C_MAP_UPG_PLUGIN::IsMappeNeedToBeFormattedDueToTurkey:-");
    return l_result;
}

int C_MAP_UPG_PLUGIN::GetVersionOfInterface() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) Interface version = %d",
                           (long)tickGet(), 6);
    return 6;
}

int C_MAP_UPG_PLUGIN::GetVersionOfPlugin() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) Plugin version = %d", (long)tickGet(),
                           100);
    return 100;
}

void C_MAP_UPG_PLUGIN::GetSubVersionOfPlugin(CMMString& p_sub_version) {
    p_sub_version = m_plugin_sub_version;
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) GetSubVersionOfPluginversion = '%s'",
                           (long)tickGet(), p_sub_version.GetBuffer());
}

int C_MAP_UPG_PLUGIN::EndOfExternalTreatment() { return 0; }

int C_MAP_UPG_PLUGIN::GetUpgradeType() {
    static const char* const l_fn = "GetUpgradeType";
    UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s() L%d", l_fn, 494);
    if (m_cartotree == nullptr) {
        m_plugin_type = NONE;
        UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s() C_MAP_UPG_CARTOTREE instance is null", l_fn);
    } else {
        UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s() instance is Not NULL", l_fn);
        if (m_plugin_type == NONE) {
            UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s() Call C_MAP_UPG_CARTOTREE::GetUpgradeType ",
                             l_fn);
            m_plugin_type = m_cartotree->GetUpgradeType("DATA/MAPPE/DESCRI.DAT", 21, CMMString());
        }
    }
    UpgradePluginLog("(C_MAP_UPG_PLUGIN)  %s() UpgradeType = 0x%08x", l_fn,
                     (unsigned)m_plugin_type);
    return m_plugin_type;
}

int C_MAP_UPG_PLUGIN::ShowStatus() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << ShowStatus + >>", (long)tickGet());
    printf("- instance of the plugin : 0x%lX\n", (unsigned long)(uintptr_t)m_pInstance);
    printf("- m_plugin_type = 0x%08X\n", (unsigned)m_plugin_type);
    printf("- m_monitor_space_continue = %d\n", m_monitor_space_continue ? 1 : 0);
    printf("- m_free_space_before_upgrade = %f\n", (double)m_free_space_before_upgrade);
    printf("\n- m_cid_list.GetSize() = %d\n", m_cid_list.GetSize());
    for (int i = 0; i < m_cid_list.GetSize(); i++) {
        const t_plugin_cid_element* l_cid = m_cid_list.GetPtr(i);
        printf("- CID:%s (%s) : ", l_cid->s_cid.GetBuffer(), l_cid->s_name.GetBuffer());
        printf("  On media => Q%s-%s - V%s.%s - Size:%f\n", l_cid->s_quarter.GetBuffer(),
               l_cid->s_year.GetBuffer(), l_cid->s_version.GetBuffer(),
               l_cid->s_release.GetBuffer(), (double)l_cid->ll_size);
        printf("  On product => V%s.%s - Size:%f\n", l_cid->s_old_version.GetBuffer(),
               l_cid->s_old_release.GetBuffer(), (double)l_cid->ll_old_size);
    }
    fflush(stdout);
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << ShowStatus - >>", (long)tickGet());
    return 0;
}

void C_MAP_UPG_PLUGIN::RemoveAllCIDInfos() {
    /* Copying an empty array only sets the count to 0: the storage stays. */
    CMMArray<t_plugin_cid_element> l_empty(0, 10);
    m_cid_list.Copy(l_empty);
}

void C_MAP_UPG_PLUGIN::UpgLogPlugin(const char* p_format, ...) {
    if (p_format == nullptr) {
        return;
    }
    char l_small[1024];
    char* l_text = l_small;
    va_list l_args;
    va_start(l_args, p_format);
    va_list l_copy;
    va_copy(l_copy, l_args);
    int l_length = vsnprintf(l_small, sizeof(l_small), p_format, l_args);
    /* A longer text is formatted again on the heap; without memory it goes out cut. */
    if (l_length >= (int)sizeof(l_small)) {
        char* l_big = new (std::nothrow) char[(size_t)l_length + 1];
        if (l_big != nullptr) {
            vsnprintf(l_big, (size_t)l_length + 1, p_format, l_copy);
            l_text = l_big;
        }
    }
    va_end(l_copy);
    va_end(l_args);
    if (l_length >= 0) {
        UpgradePluginLog("%s", l_text);
    }
    if (l_text != l_small) {
        delete[] l_text;
    }
}

extern "C" C_UPG_PLUGIN_Interface* upgplugin_GetInstance(const CMMString& p_root) {
    if (C_MAP_UPG_PLUGIN::m_pInstance != nullptr) {
        return C_MAP_UPG_PLUGIN::m_pInstance;
    }
    C_MAP_UPG_PLUGIN* l_plugin = new (std::nothrow) C_MAP_UPG_PLUGIN(p_root);
    if (l_plugin != nullptr) {
        C_MAP_UPG_PLUGIN::m_pInstance = l_plugin;
    }
    return l_plugin;
}
