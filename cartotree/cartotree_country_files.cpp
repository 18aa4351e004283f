/*
 * Country file lists: which folder of the medium ships a country's archive,
 * and the name helpers used while copying.
 */
#include <string.h>
#include <sys/stat.h>

#include <host/C_BCM_UPGRADE.h>
#include <platform/fileio.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_CARTOTREE.h"
#include "cartotree_internal.h"

#define LOG_ARG(x) ((_Vx_usr_arg_t)(x))
#define TICK LOG_ARG(tickGet())

bool IsCountryFolder(const char* p_name, const CMMString& p_full_path) {
    if (strcmp(p_name, ".") == 0 || strcmp(p_name, "..") == 0) {
        return false;
    }
    struct stat l_status;
    if (fsStat(p_full_path.GetBuffer(), &l_status) != 0) {
        return false;
    }
    return S_ISDIR(l_status.st_mode);
}

int C_MAP_UPG_CARTOTREE::GetCountryListFiles(CMMArray<t_upg_descri_dat_elt>& p_list,
                                             CMMString p_file) {
    static const char* const l_fn = "GetCountryListFiles";
    C_BCM_UPGRADE* l_bcm = C_BCM_UPGRADE::Instance();
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() L_%d ", TICK, LOG_ARG(l_fn), 2573);
    if (l_bcm == nullptr) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() C_BCM_UPGRADE::Instance() is NULL !!!",
                     TICK, LOG_ARG(l_fn));
        return -1;
    }

    CMMString l_folder = m_media_root_path + "/" + "DATA/" + "MAPPE/";
    DIR* l_dir = fsOpendir(l_folder.GetBuffer());
    if (l_dir == nullptr) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() opendir (%s) is NULL !!!", TICK,
                     LOG_ARG(l_fn), LOG_ARG(l_folder.GetBuffer()));
        return -1;
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() ->opendir() : file = '%s'", TICK,
                 LOG_ARG(l_fn), LOG_ARG(l_folder.GetBuffer()));

    int l_result = -1;
    struct dirent* l_entry;
    while ((l_entry = readdir(l_dir)) != nullptr) {
        CMMString l_path = l_folder + l_entry->d_name;
        if (!IsCountryFolder(l_entry->d_name, l_path)) {
            continue;
        }
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() : pathName = '%s'", TICK, LOG_ARG(l_fn),
                     LOG_ARG(l_path.GetBuffer()));
        p_list.Purge();
        if (strcmp(l_entry->d_name, p_file.GetBuffer()) == 0) {
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() : '%s' EQUAL '%s'", TICK,
                         LOG_ARG(l_fn), LOG_ARG(l_entry->d_name), LOG_ARG(p_file.GetBuffer()));
            continue;
        }

        CMMArray<CMMString> l_lines(10, 10);
        CMMString l_descri = l_path + "/" + "DESCRI.DAT";
        int l_index = -1;
        if (LoadDescriDataInMemory(l_descri.GetBuffer(), l_lines) == -1 ||
            ConvertDataIntoDescriDatEltList(l_lines, p_list) == -1 ||
            CheckUpgDescriRelativeFile(p_list, p_file.GetBuffer(), p_file.GetLength(), &l_index) ==
                -1) {
            l_result = -1;
            FreeDescriDatData(l_lines);
            continue;
        }
        CMMString l_archive;
        BuildUpgFilePath(p_list.GetPtr(l_index)->m_relative_path, l_archive);
        FreeDescriDatData(l_lines);
        if (l_bcm->IsExistFile(l_archive)) {
            closedir(l_dir);
            return 0;
        }
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) - %s() : Missing file = '%s'", TICK,
                     LOG_ARG(l_fn), LOG_ARG(l_archive.GetBuffer()));
        l_result = -1;
    }
    closedir(l_dir);
    return l_result;
}

int C_MAP_UPG_CARTOTREE::HasBinXtension(CMMString p_name) {
    int l_dot = p_name.FindReverse('.');
    if (l_dot < 0) {
        return 0;
    }
    CMMString l_extension = p_name.After(l_dot);
    l_extension.ToUpper();
    return strncmp(l_extension.GetBuffer(), ".BIN", 4) == 0 ? 1 : 0;
}

int C_MAP_UPG_CARTOTREE::XtractPath(CMMString& p_out, CMMString p_path, const char* p_marker) {
    if (p_marker == nullptr) {
        return -1;
    }
    int l_pos = p_path.Find(p_marker);
    if (l_pos < 0) {
        return -1;
    }
    p_out = p_path.Before(l_pos - 1);
    return 0;
}
