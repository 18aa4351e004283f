/*
 * Lookups of single files in the descriptors of the medium, and the group
 * validity check of one country folder.
 */
#include <string.h>

#include <C_MAP_UPG_PLUGIN.h>
#include <host/C_BCM_UPGRADE.h>
#include <host/systool.h>
#include <platform/fileio.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_CARTOTREE.h"
#include "cartotree_internal.h"

#define LOG_ARG(x) ((_Vx_usr_arg_t)(x))
#define TICK LOG_ARG(tickGet())

static const char GRUPPO_INF_FILE[] = "GRUPPO_4_CID.DAT.inf";
static const char CD_VER_NAV_INF_FILE[] = "CD_VER.NAV.INF";
static const char CURR_VERS_NAVI_FILE[] = "CURR_VERS_NAVI.TXT";

int C_MAP_UPG_CARTOTREE::GetUpgValidFileIfFound(CMMArray<t_upg_descri_dat_elt>& p_list,
                                                int* p_index, UPG_VALID p_kind) {
    static const char* const l_fn = "GetUpgValidFileIfFound";
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  p_descri_data_info_List  size: %d", TICK,
                 LOG_ARG(l_fn), LOG_ARG(p_list.GetSize()));
    const char* l_name = nullptr;
    const char* l_found = nullptr;
    if (p_kind == UPG_MAP_CD_VER_NAV_FILE) {
        l_name = CD_VER_NAV_INF_FILE;
        l_found = "%ld - (C_MAP_UPG_CARTOTREE)  %s()  UPG_MAP_CD_VER_NAV_FILE file found: %s";
    } else if (p_kind == UPG_MAP_GRUPPO_INF_FILE) {
        l_name = GRUPPO_INF_FILE;
        l_found = "%ld - (C_MAP_UPG_CARTOTREE)  %s()  UPG_MAP_GRUPPO_INF_FILE file found: %s";
    }
    if (l_name != nullptr) {
        for (int i = 0; i < p_list.GetSize(); i++) {
            t_upg_descri_dat_elt* l_elt = p_list.GetPtr(i);
            if (GetUpgDescriRelativeFile(l_elt->m_relative_path, l_name, (int)strlen(l_name))) {
                if (p_index != nullptr) {
                    *p_index = i;
                }
                LogCartoTree(l_found, TICK, LOG_ARG(l_fn),
                             LOG_ARG(l_elt->m_relative_path.GetBuffer()));
                return 0;
            }
            if (p_index != nullptr) {
                *p_index = -1;
            }
        }
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  Missing file", TICK, LOG_ARG(l_fn));
    return -1;
}

int C_MAP_UPG_CARTOTREE::CheckGruppoValidityFile(CMMString p_cid,
                                                 CMMArray<t_upg_descri_dat_elt> p_list) {
    SYSTOOL_LogMsgNoFormat(false, "%s", "(C_MAP_UPG_CARTOTREE) << CheckGruppoValidityFile  >>");
    int l_result = -1;
    int l_index = -1;
    if (GetUpgValidFileIfFound(p_list, &l_index, UPG_MAP_GRUPPO_INF_FILE) == 0) {
        CMMString l_gruppo;
        BuildUpgFilePath(p_list.GetPtr(l_index)->m_relative_path, l_gruppo);
        bool l_found = false;
        CMMString l_folder;
        if (FindCIDinPath(l_gruppo, p_cid, l_found) == 0 &&
            XtractPath(l_folder, l_gruppo, GRUPPO_INF_FILE) == 0) {
            SYSTOOL_LogMsgNoFormat(false, "XtractPath path : %s", l_folder.GetBuffer());
            C_MAP_UPG_PLUGIN* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
            if (l_plugin == nullptr) {
                SYSTOOL_LogMsgNoFormat(false, "%s", "C_MAP_UPG_PLUGIN::m_pInstance is NULL ");
            } else {
                CMMString l_name(GRUPPO_INF_FILE);
                l_result = l_plugin->UpgCheckIfGruppoIsValid(l_name, l_folder, p_cid);
            }
        }
    }
    if (l_result == -1) {
        SYSTOOL_LogMsgNoFormat(false, "%s",
                               "ERROR in (C_MAP_UPG_CARTOTREE) << CheckGruppoValidityFile  >> ");
    }
    return l_result;
}

int C_MAP_UPG_CARTOTREE::FindCIDinPath(CMMString p_file_name, CMMString p_cid, bool& p_found) {
    p_found = false;
    SYSTOOL_LogMsgNoFormat(false, "(C_MAP_UPG_CARTOTREE) FindCIDinPath() - p_file_name %s",
                           p_file_name.GetBuffer());
    if (p_file_name.Find(p_cid.GetBuffer()) >= 0) {
        p_found = true;
        return 0;
    }
    return -1;
}

int C_MAP_UPG_CARTOTREE::GetUpgDVD_CurrVersNaviAbsolutePath() {
    static const char* const l_fn = "GetUpgDVD_CurrVersNaviAbsolutePath";
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  L_%d ", TICK, LOG_ARG(l_fn), 284);
    int l_index = -1;
    if (m_main_descri_list.GetSize() == 0 ||
        CheckUpgDescriRelativeFile(m_main_descri_list, CURR_VERS_NAVI_FILE,
                                   (int)strlen(CURR_VERS_NAVI_FILE), &l_index) == -1) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()    Missing file", TICK, LOG_ARG(l_fn));
        return -1;
    }
    t_upg_descri_dat_elt* l_elt = m_main_descri_list.GetPtr(l_index);
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  position %d", TICK, LOG_ARG(l_fn),
                 LOG_ARG(l_index));
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  CURR_VERS_NAVI_FILE: %s _file FOUND: %s", TICK,
                 LOG_ARG(l_fn), LOG_ARG(CURR_VERS_NAVI_FILE),
                 LOG_ARG(l_elt->m_relative_path.GetBuffer()));
    m_map_plgin_DVD_CurrVersNavi = m_media_carto_drive + l_elt->m_relative_path;
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()   m_map_plgin_DVD_or_CD: %s", TICK,
                 LOG_ARG(l_fn), LOG_ARG(m_map_plgin_DVD_CurrVersNavi.GetBuffer()));
    return 0;
}

/* Absolute path of the first element of p_list whose file name begins with p_name; the
 * seeking paths log nothing of their own. */
static int SeekInList(C_MAP_UPG_CARTOTREE& p_tree, CMMArray<t_upg_descri_dat_elt>& p_list,
                      const char* p_name, CMMString& p_path) {
    if (p_name == nullptr) {
        return -1;
    }
    int l_index = -1;
    if (p_tree.CheckUpgDescriRelativeFile(p_list, p_name, (int)strlen(p_name), &l_index) == -1) {
        return -1;
    }
    p_path = p_tree.GetMediaCartoDrive() + p_list.GetPtr(l_index)->m_relative_path;
    return 0;
}

int C_MAP_UPG_CARTOTREE::CheckAndGetGruppoAbsoluteSeekingPath(const char* p_name,
                                                              CMMString& p_path) {
    return SeekInList(*this, m_gruppo_root_list, p_name, p_path);
}

int C_MAP_UPG_CARTOTREE::CheckAndGetDbDwnlAbsoluteSeekingPath(const char* p_name,
                                                              CMMString& p_path) {
    return SeekInList(*this, m_db_dwnl_list, p_name, p_path);
}

int C_MAP_UPG_CARTOTREE::CheckCIDFileinList(t_upg_plugin_type /* p_type */, C_BCM_UPGRADE* p_bcm,
                                            CMMString p_file, CMMString& p_path) {
    static const char* const l_fn = "CheckCIDFileinList";
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, L%d", TICK, LOG_ARG(l_fn), 2722);

    CMMString l_folder = m_media_root_path + "/" + "DATA/" + "MAPPE/";
    DIR* l_dir = fsOpendir(l_folder.GetBuffer());
    if (l_dir == nullptr) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, opendir (%s) is NULL !!!", TICK,
                     LOG_ARG(l_fn), LOG_ARG(l_folder.GetBuffer()));
        return -1;
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, ->opendir() : file = '%s' ", TICK,
                 LOG_ARG(l_fn), LOG_ARG(l_folder.GetBuffer()));

    int l_result = -1;
    struct dirent* l_entry;
    while ((l_entry = readdir(l_dir)) != nullptr) {
        CMMString l_full = l_folder + l_entry->d_name;
        if (!IsCountryFolder(l_entry->d_name, l_full)) {
            continue;
        }
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, pathName = '%s'", TICK, LOG_ARG(l_fn),
                     LOG_ARG(l_full.GetBuffer()));
        if (strcmp(l_entry->d_name, p_file.GetBuffer()) == 0) {
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, : '%s' EQUAL '%s'", TICK, LOG_ARG(l_fn),
                         LOG_ARG(l_entry->d_name), LOG_ARG(p_file.GetBuffer()));
            continue;
        }
        CMMArray<CMMString> l_lines(10, 10);
        CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
        CMMString l_descri = l_full + "/" + "DESCRI.DAT";
        int l_index = -1;
        if (LoadDescriDataInMemory(l_descri.GetBuffer(), l_lines) == -1 ||
            ConvertDataIntoDescriDatEltList(l_lines, l_list) == -1 ||
            CheckUpgDescriRelativeFile(l_list, p_file.GetBuffer(), p_file.GetLength(), &l_index) ==
                -1) {
            l_result = -1;
            FreeDescriDatData(l_lines);
            continue;
        }
        FreeDescriDatData(l_lines);
        BuildUpgFilePath(l_list.GetPtr(l_index)->m_relative_path, p_path);
        if (p_bcm != nullptr && p_bcm->IsExistFile(p_path)) {
            closedir(l_dir);
            return 0;
        }
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)   %s, : Missing file = '%s'", TICK, LOG_ARG(l_fn),
                     LOG_ARG(p_path.GetBuffer()));
        l_result = -1;
    }
    closedir(l_dir);
    return l_result;
}
