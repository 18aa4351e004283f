/*
 * Removal of the temporary country folders of an interrupted upgrade, the
 * card's block size and the bridge to the tar.gz extractor.
 */
#include "C_UPG_PLUGIN_Interface.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include <platform/filecmd.h>
#include <platform/fileio.h>
#include <platform/symtab.h>

#include <host/C_BCM_UPGRADE.h>
#include <host/storage.h>
#include <host/systool.h>

/* The extractor is a library of its own; the frame sees only its header. */
#include <C_UNTGZ.h>

namespace {

typedef int (*t_volume_read_only_set)(const char*, int);

/* Names of one folder, read before anything is deleted from it. */
struct t_folder_entry {
    CMMString name;
    t_folder_entry* next;
};

void FreeEntries(t_folder_entry* p_first) {
    while (p_first != NULL) {
        t_folder_entry* l_next = p_first->next;
        delete p_first;
        p_first = l_next;
    }
}

/* True for "TEMP_<anything>": the name up to its last underscore is "TEMP". */
bool IsTempFolderName(const CMMString& p_name) {
    int l_underscore = p_name.FindReverse('_');
    if (l_underscore < 0) return false;
    return p_name.Before(l_underscore - 1).Compare("TEMP", true);
}

}  // namespace

int C_UPG_PLUGIN_Interface::ManageOldTempFolders(CMMString& p_base, CMMString& p_folder) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) << ManageOldTempFolders + >>",
                           tickGet());
    CMMString l_scanned = p_base + p_folder;

    DIR* l_dir = fsOpendir(l_scanned.GetBuffer());
    if (l_dir == NULL) {
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders >> Not able to open folder %s",
            tickGet(), l_scanned.GetBuffer());
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders - >>",
                               tickGet());
        return 0;
    }

    struct dirent* l_entry = readdir(l_dir);
    if (l_entry == NULL || l_entry->d_name[0] == '\0') {
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders >> Not able to read inside folder "
            "%s",
            tickGet(), l_scanned.GetBuffer());
        closedir(l_dir);
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders - >>",
                               tickGet());
        return 0;
    }

    int l_result = -1;
    t_volume_read_only_set l_set_read_only = NULL;
    char* l_value = NULL;
    if (symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &l_value, NULL) == OK) {
        l_result = 0;
        l_set_read_only = (t_volume_read_only_set)(void*)l_value;
        if (l_set_read_only != NULL) l_set_read_only(p_base.GetBuffer(), 0);
    }

    /* Read every name first: deleting while the folder is read could skip entries. */
    t_folder_entry* l_first = NULL;
    t_folder_entry** l_last = &l_first;
    for (; l_entry != NULL; l_entry = readdir(l_dir)) {
        if (strcmp(l_entry->d_name, ".") == 0 || strcmp(l_entry->d_name, "..") == 0) continue;
        t_folder_entry* l_node = new (std::nothrow) t_folder_entry;
        if (l_node == NULL) break;
        l_node->name = l_entry->d_name;
        l_node->next = NULL;
        *l_last = l_node;
        l_last = &l_node->next;
    }

    for (t_folder_entry* l_node = l_first; l_node != NULL; l_node = l_node->next) {
        /* Only the entry's own name decides, never an underscore of the folders above it. */
        if (!IsTempFolderName(l_node->name)) continue;
        CMMString l_full = l_scanned + "/" + l_node->name;
        SYSTOOL_LogMsgNoFormat(
            false,
            "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders >> Delete the following temp Dir  "
            "'%s'",
            tickGet(), l_full.GetBuffer());
        xdelete(l_full.GetBuffer());
    }
    FreeEntries(l_first);

    if (l_set_read_only != NULL) l_set_read_only(p_base.GetBuffer(), 1);

    closedir(l_dir);
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_PLUGIN_Interface) << ManageOldTempFolders - >>",
                           tickGet());
    return l_result;
}

int C_UPG_PLUGIN_Interface::GetPartitionBlockSize(const CMMString& p_path) {
    int l_fd = fsOpen(p_path.GetBuffer(), O_RDONLY, 0644);
    if (l_fd == -1) {
        logMsg("%ld - (GetSDBlockSize) ERROR : open ('%s')", (_Vx_usr_arg_t)tickGet(),
               (_Vx_usr_arg_t)p_path.GetBuffer(), 0, 0, 0, 0);
        return -1;
    }
    int l_result = -1;
    struct stat l_status;
    if (fsFstat(l_fd, &l_status) == -1) {
        logMsg("%ld - (GetSDBlockSize) ERROR : fstat ('%s')", (_Vx_usr_arg_t)tickGet(),
               (_Vx_usr_arg_t)p_path.GetBuffer(), 0, 0, 0, 0);
    } else {
        l_result = (int)l_status.st_blksize;
    }
    fsClose(l_fd);
    return l_result;
}

int C_UPG_PLUGIN_Interface::UnCompress(const CMMString& p_archive, const CMMString& p_destination) {
    C_UNTGZ* l_instance = C_UNTGZ::GetInstance();
    if (l_instance == NULL) {
        logMsg("%ld - (UnCompress): NULL == l_instance\n", (_Vx_usr_arg_t)tickGet(), 0, 0, 0, 0, 0);
        return -1;
    }
    logMsg("%ld - (UnCompress ('%s', '%s')\n", (_Vx_usr_arg_t)tickGet(),
           (_Vx_usr_arg_t)p_archive.GetBuffer(), (_Vx_usr_arg_t)p_destination.GetBuffer(), 0, 0, 0);
    if (l_instance->Untar(p_archive.GetBuffer(), p_destination.GetBuffer(), 0, 1) == -1) {
        logMsg("%ld - (UnCompress '%s'): ERROR.\n", (_Vx_usr_arg_t)tickGet(),
               (_Vx_usr_arg_t)p_archive.GetBuffer(), 0, 0, 0, 0);
        return -1;
    }
    logMsg("%ld - (UnCompress '%s'): Done.\n", (_Vx_usr_arg_t)tickGet(),
           (_Vx_usr_arg_t)p_archive.GetBuffer(), 0, 0, 0, 0);
    return 0;
}

int C_UPG_PLUGIN_Interface::CancelUnCompress() {
    C_UNTGZ* l_instance = C_UNTGZ::GetInstance();
    if (l_instance == NULL) {
        logMsg("%ld - (UnCompress): NULL == l_instance\n", (_Vx_usr_arg_t)tickGet(), 0, 0, 0, 0, 0);
        return -1;
    }
    logMsg("%ld - (CancelUnCompress ()\n", (_Vx_usr_arg_t)tickGet(), 0, 0, 0, 0, 0);
    if (l_instance->CancelUntar() == -1) {
        logMsg("%ld - (CancelUnCompress): ERROR.\n", (_Vx_usr_arg_t)tickGet(), 0, 0, 0, 0, 0);
        return -1;
    }
    logMsg("%ld - (CancelUnCompress): Done.\n", (_Vx_usr_arg_t)tickGet(), 0, 0, 0, 0, 0);
    return 0;
}

int C_UPG_PLUGIN_Interface::GetSize(CMMString p_file, CMMString p_key, double& p_size) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_PLUGIN_Interface) <<GetCIDSize + >>", tickGet());

    if (m_plugin_partition_block_size == 0) {
        CMMString l_device;
        if (PermanentDevice_GetDeviceName(PERMANENT_DEVICE_SD_CARD, &l_device) != 0) {
            UpgradePluginLog("***\tGetSize : GetPartitionBlockSize (%s) == ERROR ***",
                             l_device.GetBuffer());
            return -1;
        }
        m_plugin_partition_block_size = GetPartitionBlockSize(l_device);
        UpgradePluginLog("\tm_plugin_partition_block_size = %d", m_plugin_partition_block_size);
    }

    if (m_plugin_partition_block_size <= 0) {
        p_size = 0.0;
        UpgradePluginLog("\tplugin Size as double = %f", p_size);
        return 0;
    }

    const char* l_suffix = NULL;
    switch (m_plugin_partition_block_size) {
        case 4096:
            l_suffix = "_4";
            break;
        case 8192:
            l_suffix = "_8";
            break;
        case 16384:
            l_suffix = "_16";
            break;
        case 32768:
            l_suffix = "_32";
            break;
        default:
            UpgradePluginLog("\t*** GetCIDSize : SD Block size (%ld) not managed! ***",
                             (long)m_plugin_partition_block_size);
            return -1;
    }

    if (m_bcm == NULL) return -1;
    CMMString l_key = p_key + l_suffix;
    CMMString l_value;
    int l_read = m_bcm->GetValueInFile(p_file, l_key, l_value);
    UpgradePluginLog("\tplugin Size [%s] = %s", l_key.GetBuffer(), l_value.GetBuffer());
    if (l_read == -1) return -1;

    p_size = strtod(l_value.GetBuffer(), NULL);
    UpgradePluginLog("\tplugin Size as double = %f", p_size);
    return 0;
}
