/*
 * File utilities shared by every plugin kind: folder tests and removal,
 * key readers, folder sizes, the vehicle type, CRC check and the bridge to
 * the asynchronous log.
 */
#include "C_UPG_PLUGIN_Interface.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include <platform/filecmd.h>
#include <platform/fileio.h>
#include <platform/symtab.h>

#include <host/C_BCM_UPGRADE.h>
#include <host/file_helpers.h>
#include <host/storage.h>

#include "C_UPG_LOGS.h"

namespace {

typedef int (*t_volume_read_only_set)(const char*, int);

/* Lines are read this many characters at a time. */
const int VALUE_LINE_SIZE = 100;

/* One name of a folder, kept in the folder's own order. */
struct t_dir_name {
    CMMString name;
    t_dir_name* next;
};

/* A folder being measured: the names still to visit and the folder that holds it. */
struct t_size_level {
    CMMString path;
    t_dir_name* names;
    t_size_level* parent;
};

void FreeNames(t_dir_name* p_first) {
    while (p_first != NULL) {
        t_dir_name* l_next = p_first->next;
        delete p_first;
        p_first = l_next;
    }
}

/*
 * Reads the names of p_path (without "." and "..") and closes it again, so that
 * only one folder is open at a time however deep the tree. Null when the folder
 * cannot be opened or its names cannot all be kept.
 */
t_size_level* OpenSizeLevel(const CMMString& p_path, t_size_level* p_parent) {
    DIR* l_dir = fsOpendir(p_path.GetBuffer());
    if (l_dir == NULL) return NULL;
    t_size_level* l_level = new (std::nothrow) t_size_level;
    if (l_level == NULL) {
        closedir(l_dir);
        return NULL;
    }
    l_level->path = p_path;
    l_level->names = NULL;
    l_level->parent = p_parent;

    t_dir_name** l_last = &l_level->names;
    struct dirent* l_entry;
    while ((l_entry = readdir(l_dir)) != NULL) {
        if (strcmp(l_entry->d_name, ".") == 0 || strcmp(l_entry->d_name, "..") == 0) continue;
        t_dir_name* l_name = new (std::nothrow) t_dir_name;
        if (l_name == NULL) {
            /* A partial listing would give a wrong size: count the folder as unreadable. */
            FreeNames(l_level->names);
            delete l_level;
            closedir(l_dir);
            return NULL;
        }
        l_name->name = l_entry->d_name;
        l_name->next = NULL;
        *l_last = l_name;
        l_last = &l_name->next;
    }
    closedir(l_dir);
    return l_level;
}

}  // namespace

int C_UPG_PLUGIN_Interface::PluginIsDirExist(const char* p_path) {
    if (p_path == NULL) return 0;
    DIR* l_dir = fsOpendir(p_path);
    if (l_dir == NULL) return 0;
    closedir(l_dir);
    return 1;
}

int C_UPG_PLUGIN_Interface::DeleteSDTemporaryFiles(C_FS_STORAGE_ENTITY& p_volume,
                                                   CMMString& p_folder) {
    UpgradePluginLog("(C_UPG_PLG_Interface): << ++ DeleteSDTemporaryFiles ++>>");
    int l_result = -1;
    CMMString l_volume_name = p_volume.GetName();
    CMMString l_target = l_volume_name + p_folder;

    char* l_value = NULL;
    t_volume_read_only_set l_set_read_only = NULL;
    if (symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &l_value, NULL) == OK) {
        l_set_read_only = (t_volume_read_only_set)(void*)l_value;
    }

    if (l_set_read_only != NULL) {
        if (l_set_read_only(l_volume_name.GetBuffer(), 0) == -1) {
            UpgradePluginLog(
                "(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: Impossible to set '%s' in R/W mode",
                l_volume_name.GetBuffer());
        } else if (PluginIsDirExist(l_target.GetBuffer()) == 1) {
            l_result = 0;
            xdelete(l_target.GetBuffer());
            UpgradePluginLog("(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: The folder '%s'",
                             l_target.GetBuffer());
        } else {
            UpgradePluginLog(
                "(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: '%s' is not a directory",
                l_target.GetBuffer());
        }

        if (l_set_read_only(l_volume_name.GetBuffer(), 1) == -1) {
            l_result = -1;
            UpgradePluginLog(
                "(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: Impossible to set '%s' in Read "
                "only mode",
                l_volume_name.GetBuffer());
        }
    }

    UpgradePluginLog("(C_UPG_PLG_Interface): << -- DeleteSDTemporaryFiles -->>");
    return l_result;
}

int C_UPG_PLUGIN_Interface::RemoveTemporaryFolders(C_FS_STORAGE_ENTITY& p_volume) {
    static const char* const l_folders[] = {"MAPPE_OLD", "MAPPE/TEMP", "MAPPE/MERGE",
                                            "MAPPE/tmp_poi"};
    for (const char* l_name : l_folders) {
        CMMString l_folder(l_name);
        DeleteSDTemporaryFiles(p_volume, l_folder);
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::PluginGetValueInFile(const CMMString& p_file, const CMMString& p_field,
                                                 CMMString& p_value) {
    FILE* l_file = fsFopen(p_file.GetBuffer(), "r");
    if (l_file == NULL) {
        p_value.Clear();
        UpgradePluginLog("(PluginGetValueInFile) 1- p_in_file_name '%s'==> l_pFich == NULL !!!",
                         p_file.GetBuffer());
        UpgradePluginLog("(PluginGetValueInFile) 1- p_in_field_name '%s'==> l_pFich == NULL !!!",
                         p_field.GetBuffer());
        return -1;
    }

    char l_key[VALUE_LINE_SIZE];
    snprintf(l_key, sizeof(l_key), "%s:", p_field.GetBuffer());
    size_t l_key_length = strlen(l_key);

    char l_line[VALUE_LINE_SIZE];
    /* A long line comes in several pieces: only the first piece of a line may hold the key. */
    bool l_at_line_start = true;
    while (fgets(l_line, sizeof(l_line), l_file) != NULL) {
        bool l_starts_line = l_at_line_start;
        size_t l_length = strlen(l_line);
        l_at_line_start = (l_length > 0 && l_line[l_length - 1] == '\n');
        if (!l_starts_line || strncmp(l_line, l_key, l_key_length) != 0) continue;

        /* The value follows the line's first ':'. A field cut to the whole piece may have none. */
        char* l_colon = strchr(l_line, ':');
        if (l_colon == NULL) continue;
        char* l_text = l_colon + 1;
        l_text[strcspn(l_text, "\n")] = '\0';
        l_text[strcspn(l_text, "\r")] = '\0';
        fclose(l_file);
        p_value = l_text;
        UpgradePluginLog("(PluginGetValueInFile) p_in_file_name '%s'", p_file.GetBuffer());
        UpgradePluginLog("(PluginGetValueInFile) p_in_field_name '%s'", p_field.GetBuffer());
        UpgradePluginLog("(PluginGetValueInFile) p_out_field_value '%s'", p_value.GetBuffer());
        return 0;
    }

    fclose(l_file);
    p_value.Clear();
    UpgradePluginLog("(PluginGetValueInFile) 2- p_in_file_name '%s'==> l_pFich == NULL !!!",
                     p_file.GetBuffer());
    UpgradePluginLog("(PluginGetValueInFile) 2- p_in_field_name '%s'==> l_pFich == NULL !!!",
                     p_field.GetBuffer());
    return -1;
}

int C_UPG_PLUGIN_Interface::ComputeTheSizeOfDirectory(const CMMString& p_folder,
                                                      long long& p_total) {
    /*
     * Depth first, each sub-folder measured where it is met, as a recursion
     * would, but with the levels on the heap: a deep tree cannot exhaust the
     * task's stack.
     */
    t_size_level* l_level = OpenSizeLevel(p_folder, NULL);
    if (l_level == NULL) {
        UpgradePluginLog("(CheckTheSizeBeforeCopy): Impossible to open directory '%s' ",
                         p_folder.GetBuffer());
        return -1;
    }

    while (l_level != NULL) {
        t_dir_name* l_name = l_level->names;
        if (l_name == NULL) {
            UpgradePluginLog("(CheckTheSizeBeforeCopy): The size of '%s' is '%ld'",
                             l_level->path.GetBuffer(), (long)p_total);
            t_size_level* l_parent = l_level->parent;
            delete l_level;
            l_level = l_parent;
            continue;
        }
        l_level->names = l_name->next;
        CMMString l_path = l_level->path + "/" + l_name->name;
        delete l_name;

        struct stat l_status;
        if (fsStat(l_path.GetBuffer(), &l_status) == -1) {
            UpgradePluginLog("(CheckTheSizeBeforeCopy): stat function returns Error");
            continue;
        }
        if (S_ISREG(l_status.st_mode)) {
            p_total += (long long)l_status.st_size;
            UpgradePluginLog("(CheckTheSizeBeforeCopy): size = %ld", (long)p_total);
        } else if (S_ISDIR(l_status.st_mode)) {
            t_size_level* l_sub = OpenSizeLevel(l_path, l_level);
            if (l_sub == NULL) {
                UpgradePluginLog("(CheckTheSizeBeforeCopy): Impossible to open directory '%s' ",
                                 l_path.GetBuffer());
                UpgradePluginLog("(CheckTheSizeBeforeCopy): Recursive Error");
            } else {
                l_level = l_sub;
            }
        }
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::ReadVehicleTypeFromSystem(CMMString& p_type) {
    if (m_bcm == NULL) return 0;
    const CMMString l_file("/SYSTEM/Data_Base/vehicle.ini");

    int l_result = m_bcm->GetValueInFile(l_file, CMMString("VEHICLE"), p_type);
    if (l_result == -1) return l_result;
    if (p_type.IsNotEmpty()) {
        UpgradePluginLog("(ReadVehicleTypeFromSystem) VEHICLE = '%s'", p_type.GetBuffer());
        return 0;
    }

    l_result = m_bcm->GetValueInFile(l_file, CMMString("GROUP"), p_type);
    if (l_result != -1) {
        UpgradePluginLog("(ReadVehicleTypeFromSystem) GROUP = '%s'", p_type.GetBuffer());
        return 0;
    }
    UpgradePluginLog("(ReadVehicleTypeFromSystem) returns Error for vehicle and group");
    return l_result;
}

int C_UPG_PLUGIN_Interface::RetrieveStringFromFile(const CMMString& p_file, const CMMString& p_key,
                                                   CMMString& p_value) {
    if (m_bcm == NULL) {
        UpgradePluginLog("(RetrieveValueFromFile) Instance of BCM null");
        return -1;
    }
    if (m_bcm->GetValueInFile(p_file, p_key, p_value) == -1) {
        UpgradePluginLog("(RetrieveValueFromFile) Impossible to get value in file %s ",
                         p_file.GetBuffer());
        return -1;
    }

    /* Keep what stands before the last doubled separator. Each turn shortens the copy. */
    CMMString l_copy = p_value;
    while (l_copy.IsNotEmpty()) {
        int l_position = l_copy.FindReverse('/');
        if (l_position < 0) {
            l_position = l_copy.FindReverse('\\');
            UpgradePluginLog("(RetrieveValueFromFile) The string %s has slash or backslash at %d",
                             p_file.GetBuffer(), l_position);
        }
        if (l_position < 0) {
            UpgradePluginLog(
                "(RetrieveValueFromFile) The string %s doesn't have slash or backslash",
                p_file.GetBuffer());
            break;
        }
        if (l_position <= 1) break;

        char l_previous = l_copy.GetBuffer()[l_position - 1];
        if (l_previous == '/' || l_previous == '\\') {
            if (l_position == 2) {
                p_value.Clear();
                UpgradePluginLog("(RetrieveValueFromFile) The string is empty");
            } else {
                p_value = l_copy.Before(l_position - 2);
                UpgradePluginLog("(RetrieveValueFromFile) Extracted string is without slash %s ",
                                 p_value.GetBuffer());
            }
            break;
        }

        l_copy = l_copy.Before(l_position - 2);
        char l_separator[2] = {l_previous, '\0'};
        UpgradePluginLog("(RetrieveValueFromFile) Extracted string is %s and l_slash_str = %s",
                         l_copy.GetBuffer(), l_separator);
    }
    return 0;
}

int C_UPG_PLUGIN_Interface::RetrieveStringFromFileWithoutSpace(const CMMString& p_file,
                                                               const CMMString& p_key,
                                                               CMMString& p_value) {
    if (m_bcm == NULL) {
        UpgradePluginLog("(RetrieveStringFromFileWithoutSpace) Instance of BCM null");
        return -1;
    }
    if (!m_bcm->IsExistFile(p_file)) {
        UpgradePluginLog("(RetrieveStringFromFileWithoutSpace) File %s doesn't exist",
                         p_file.GetBuffer());
        return -1;
    }
    if (RetrieveStringFromFile(p_file, p_key, p_value) == -1) {
        UpgradePluginLog(
            "(RetrieveStringFromFileWithoutSpace) RetrieveStringFromFile returns error for %s",
            p_file.GetBuffer());
        return -1;
    }
    p_value.SupprChar(" ");
    UpgradePluginLog(
        "(RetrieveStringFromFileWithoutSpace) RetrieveStringFromFile Extracted string is %s",
        p_value.GetBuffer());
    return 0;
}

int C_UPG_PLUGIN_Interface::VerifyCRC32ofFileForPlugin(const CMMString& p_file,
                                                       unsigned long p_expected,
                                                       unsigned long& p_computed) {
    UpgradePluginLog("%ld - (C_PLUGIN_Interface) << VerifyCRC32ofFileForPlugin + with File %s>>\n",
                     tickGet(), p_file.GetBuffer());
    unsigned long l_value = 0;
    unsigned long l_crc = FileCRC(p_file.GetBuffer(), &l_value);
    int l_result = 0;
    if (l_value == (unsigned long)-1) {
        UpgradePluginLog(
            "%ld - (C_PLUGIN_Interface) VerifyCRC32ofFileForPlugin : FileCRC failed for file "
            "%s>>\n",
            tickGet(), p_file.GetBuffer());
        taskDelay(100);
        l_result = -1;
    } else if (l_crc != p_expected) {
        UpgradePluginLog(
            "%ld - (C_PLUGIN_Interface) VerifyCRC32ofFileForPlugin : CRCs computed and on binary "
            "are different!! \n",
            tickGet());
        taskDelay(100);
        l_result = -1;
    }
    p_computed = l_value;
    UpgradePluginLog("%ld - (C_PLUGIN_Interface) << VerifyCRC32ofFileForPlugin - >>\n", tickGet());
    return l_result;
}

int C_UPG_PLUGIN_Interface::AddLogs(const CMMString& p_text) {
    C_UPG_LOGS* l_logs = C_UPG_LOGS::Instance();
    if (l_logs != NULL) l_logs->Log(p_text);
    return 0;
}
