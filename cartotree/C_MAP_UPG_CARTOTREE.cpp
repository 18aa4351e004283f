/*
 * Cartography tree: construction, path helpers, descriptor reading and the
 * upgrade type of the medium.
 */
#include "C_MAP_UPG_CARTOTREE.h"

#include <stdio.h>
#include <string.h>

#include <new>

#include <C_MAP_UPG_PLUGIN.h>
#include <host/systool.h>
#include <platform/fileio.h>
#include <platform/kernel.h>

#include "cartotree_format.h"

#define LOG_ARG(x) ((_Vx_usr_arg_t)(x))
#define TICK LOG_ARG(tickGet())

/* A descriptor line is read in pieces of at most this many characters. */
static const int DESCRI_READ_LIMIT = 250;
static const int DESCRI_BUFFER_SIZE = 254;

C_MAP_UPG_CARTOTREE::C_MAP_UPG_CARTOTREE(PERIMETER p_perimeter, const CMMString& p_root,
                                         CMMString& p_carto)
    : m_perimeter(p_perimeter),
      m_product_carto_path(p_carto),
      m_media_root_path(p_root),
      m_upgrade_type(NONE),
      m_db_dwnl_list(10, 10),
      m_gruppo_root_list(10, 10),
      m_icon_brands_list(10, 10),
      m_main_descri_list(10, 10),
      m_comonfiles_copied(false),
      m_is_db_dwnl_new(false),
      m_is_gruppo_new(false) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_CARTOTREE) << Constructor + [3 args]>>",
                           (long)tickGet());
    XtractCartoDrive();
}

C_MAP_UPG_CARTOTREE::C_MAP_UPG_CARTOTREE(PERIMETER p_perimeter)
    : m_perimeter(p_perimeter),
      m_upgrade_type(NONE),
      m_db_dwnl_list(10, 10),
      m_gruppo_root_list(10, 10),
      m_icon_brands_list(10, 10),
      m_main_descri_list(10, 10),
      m_comonfiles_copied(false),
      m_is_db_dwnl_new(false),
      m_is_gruppo_new(false) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_CARTOTREE) << Constructor + [1 arg]>>",
                           (long)tickGet());
}

C_MAP_UPG_CARTOTREE::~C_MAP_UPG_CARTOTREE() {
    m_media_carto_drive.Purge();
    m_product_carto_path.Purge();
}

void C_MAP_UPG_CARTOTREE::XtractCartoDrive() {
    int l_pos = m_media_root_path.Find('/', 1);
    if (l_pos >= 1) {
        m_media_carto_drive = m_media_root_path.Before(l_pos - 1);
    }
}

/* ---- Logging ------------------------------------------------------------ */

void C_MAP_UPG_CARTOTREE::LogCartoTree(const char* p_format, _Vx_usr_arg_t p_a1, _Vx_usr_arg_t p_a2,
                                       _Vx_usr_arg_t p_a3, _Vx_usr_arg_t p_a4, _Vx_usr_arg_t p_a5,
                                       _Vx_usr_arg_t p_a6) {
    if (p_format == nullptr) {
        return;
    }
    switch (m_perimeter) {
        case PERIMETER_0:
        case PERIMETER_1:
            logMsg(p_format, p_a1, p_a2, p_a3, p_a4, p_a5, p_a6);
            return;
        default:
            break;
    }

    const _Vx_usr_arg_t l_args[6] = {p_a1, p_a2, p_a3, p_a4, p_a5, p_a6};
    char l_text[CARTOTREE_LOG_SIZE];
    CartoTreeFormat(l_text, sizeof(l_text), p_format, l_args, 6);

    if (m_perimeter == PERIMETER_2) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - ", (long)tickGet());
        SYSTOOL_LogMsgNoFormat(false, "%s", l_text);
        return;
    }
    C_MAP_UPG_PLUGIN* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    if (l_plugin != nullptr) {
        l_plugin->UpgLogPlugin("%s", l_text);
    }
}

/* ---- File and path helpers ---------------------------------------------- */

void C_MAP_UPG_CARTOTREE::BuildUpgFilePath(CMMString& p_relative, CMMString& p_file_path) {
    p_file_path = m_media_carto_drive + p_relative;
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s()  p_file_path = %s", TICK,
                 LOG_ARG("BuildUpgFilePath"), LOG_ARG(p_file_path.GetBuffer()));
}

int C_MAP_UPG_CARTOTREE::IsExistFile(const CMMString& p_path) {
    FILE* l_file = fsFopen(p_path.GetBuffer(), "r");
    if (l_file != nullptr) {
        fclose(l_file);
        return 1;
    }
    LogCartoTree("(IsExistFile) fopen (%s) return NULL !!!\n", LOG_ARG(p_path.GetBuffer()));
    return 0;
}

int C_MAP_UPG_CARTOTREE::CheckIfDirectoryExist(CMMString p_dir) {
    DIR* l_dir = fsOpendir(p_dir.GetBuffer());
    if (l_dir == nullptr) {
        return 0;
    }
    closedir(l_dir);
    return 1;
}

int C_MAP_UPG_CARTOTREE::XtractFile(CMMString p_path, CMMString& p_name) {
    int l_pos = p_path.FindReverse('/');
    if (l_pos < 0) {
        return -1;
    }
    p_name = p_path.After(l_pos + 1);
    return 0;
}

/* ---- Descriptors -------------------------------------------------------- */

int C_MAP_UPG_CARTOTREE::LoadDescriDataInMemory(const char* p_path, CMMArray<CMMString>& p_lines) {
    FILE* l_file = (p_path != nullptr) ? fsFopen(p_path, "r") : nullptr;
    if (l_file == nullptr) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s(),  fopen (%s) return NULL !!!\n ", TICK,
                     LOG_ARG("LoadDescriDataInMemory"), LOG_ARG(p_path != nullptr ? p_path : ""));
        return -1;
    }
    char l_buffer[DESCRI_BUFFER_SIZE];
    while (!feof(l_file)) {
        memset(l_buffer, 0, sizeof(l_buffer));
        if (fgets(l_buffer, DESCRI_READ_LIMIT, l_file) == nullptr || l_buffer[0] == '\0') {
            /* A read error would never reach the end of the file. */
            if (ferror(l_file)) {
                break;
            }
            continue;
        }
        p_lines.Add(CMMString(l_buffer));
    }
    fclose(l_file);
    return 0;
}

int C_MAP_UPG_CARTOTREE::GetUniqueDescriDatInfo(CMMString& p_line, t_upg_descri_dat_elt* p_elt) {
    if (p_elt == nullptr) {
        return -1;
    }
    CMMString* l_columns[4] = {&p_elt->m_kind, &p_elt->m_column1, &p_elt->m_relative_path,
                               &p_elt->m_column3};
    CMMString l_rest(p_line);
    for (int i = 0; i < 4; i++) {
        int l_comma = l_rest.Find(',', 0);
        if (l_comma >= 0) {
            *l_columns[i] = l_rest.Before(l_comma - 1);
            l_rest = l_rest.After(l_comma + 1);
        }
    }
    int l_comma = l_rest.Find(',', 0);
    if (l_comma >= 0) {
        p_elt->m_column4 = l_rest.Before(l_comma - 1);
    } else {
        p_elt->m_column4 = l_rest;
    }
    return 0;
}

int C_MAP_UPG_CARTOTREE::UpdateFileNameIfNeeded(char* p_text, int p_length) {
    if (p_text == nullptr) {
        return -1;
    }
    for (int i = 0; i < p_length && p_text[i] != '\0'; i++) {
        if (p_text[i] == '\\') {
            p_text[i] = '/';
        }
    }
    return 0;
}

/* The string's bytes cannot be changed in place: convert a copy and store it back. */
static int UpdateRelativePath(C_MAP_UPG_CARTOTREE& p_tree, t_upg_descri_dat_elt& p_elt) {
    int l_length = p_elt.m_relative_path.GetLength();
    char* l_text = new (std::nothrow) char[l_length + 1];
    if (l_text != nullptr) {
        memcpy(l_text, p_elt.m_relative_path.GetBuffer(), l_length + 1);
    }
    int l_result = p_tree.UpdateFileNameIfNeeded(l_text, l_length);
    if (l_result == 0) {
        p_elt.m_relative_path = CMMString(l_text, l_length);
    }
    delete[] l_text;
    return l_result;
}

int C_MAP_UPG_CARTOTREE::ConvertDataIntoDescriDatEltList(CMMArray<CMMString> p_lines,
                                                         CMMArray<t_upg_descri_dat_elt>& p_out) {
    for (int i = 0; i < p_lines.GetSize(); i++) {
        t_upg_descri_dat_elt l_elt;
        CMMString* l_line = p_lines.GetPtr(i);
        int l_result = (l_line != nullptr) ? GetUniqueDescriDatInfo(*l_line, &l_elt) : -1;
        if (l_result == 0) {
            l_result = UpdateRelativePath(*this, l_elt);
        }
        p_out.Add(l_elt);
        if (l_result == -1) {
            LogCartoTree(
                "%ld - (C_MAP_UPG_CARTOTREE)  %s() An error occured on "
                "'UpdateFileNameIfNeeded'",
                TICK, LOG_ARG("ConvertDataIntoDescriDatEltList"));
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()  ERROR Occured", TICK,
                         LOG_ARG("ConvertDataIntoDescriDatEltList"));
            SYSTOOL_LogMsgNoFormat(false, "%s", "");
            return -1;
        }
    }
    return 0;
}

void C_MAP_UPG_CARTOTREE::FreeDescriDatData(CMMArray<CMMString>& p_lines) {
    for (int i = 0; i < p_lines.GetSize(); i++) {
        CMMString* l_line = p_lines.GetPtr(i);
        if (l_line != nullptr) {
            l_line->Purge();
        }
    }
    p_lines.Purge();
}

void C_MAP_UPG_CARTOTREE::BuildMainDescriDatFilePath(CMMString& p_out, const char* p_name,
                                                     int p_length) {
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() - L_%d", TICK,
                 LOG_ARG("BuildMainDescriDatFilePath"), 2882);
    if (p_name == nullptr) {
        p_name = "";
    }
    switch (m_perimeter) {
        case PERIMETER_0:
        case PERIMETER_1: {
            int l_length = (p_length > 0) ? (int)strnlen(p_name, (size_t)p_length) : 0;
            p_out.Add(m_media_carto_drive);
            p_out.Add(p_name, l_length);
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) l_descri_file = '%s'", TICK,
                         LOG_ARG(p_out.GetBuffer()));
            break;
        }
        case PERIMETER_2:
        case PERIMETER_3:
            p_out = m_media_root_path + "/" + p_name;
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() l_descri_file = '%s'", TICK,
                         LOG_ARG("BuildMainDescriDatFilePath"), LOG_ARG(p_out.GetBuffer()));
            break;
        default:
            break;
    }
}

static bool BeginsWith(const CMMString& p_text, const char* p_tag) {
    return strncmp(p_text.GetBuffer(), p_tag, strlen(p_tag)) == 0;
}

int C_MAP_UPG_CARTOTREE::SaveMainDescriDatIntoSpecifiedList(CMMArray<CMMString>& p_lines) {
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s()  L_%d", TICK,
                 LOG_ARG("SaveMainDescriDatIntoSpecifiedList"), 3152);
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() p_data_List.size = %d", TICK,
                 LOG_ARG("SaveMainDescriDatIntoSpecifiedList"), LOG_ARG(p_lines.GetSize()));

    /* One element for every line: a column a line leaves out keeps the previous value. */
    t_upg_descri_dat_elt l_elt;
    for (int i = 0; i < p_lines.GetSize(); i++) {
        CMMString* l_line = p_lines.GetPtr(i);
        int l_result = (l_line != nullptr) ? GetUniqueDescriDatInfo(*l_line, &l_elt) : -1;
        if (l_result == 0) {
            l_result = UpdateRelativePath(*this, l_elt);
        }
        if (l_result == -1) {
            LogCartoTree(
                "%ld - (C_MAP_UPG_CARTOTREE) %s() An error occured on "
                "'UpdateFileNameIfNeeded' or 'GetUniqueDescriDatInfo' \n",
                TICK, LOG_ARG("SaveMainDescriDatIntoSpecifiedList"));
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s()  ERROR Occured \n", TICK,
                         LOG_ARG("SaveMainDescriDatIntoSpecifiedList"));
            return -1;
        }
        if (BeginsWith(l_elt.m_kind, "DB_DOWNLOAD")) {
            m_db_dwnl_list.Add(l_elt);
        } else if (BeginsWith(l_elt.m_kind, "GRUPPO_ROOT")) {
            m_gruppo_root_list.Add(l_elt);
        } else if (BeginsWith(l_elt.m_kind, "ICON_BRANDS")) {
            m_icon_brands_list.Add(l_elt);
        }
        m_main_descri_list.Add(l_elt);
    }
    return 0;
}

int C_MAP_UPG_CARTOTREE::GetUpgDescriRelativeFile(CMMString& p_relative, const char* p_name,
                                                  int p_length) {
    if (p_name == nullptr || p_length < 0) {
        return 0;
    }
    int l_pos = p_relative.FindReverse('/');
    if (l_pos < 0) {
        return 0;
    }
    CMMString l_file = p_relative.After(l_pos + 1);
    if (strncmp(l_file.GetBuffer(), p_name, (size_t)p_length) != 0) {
        return 0;
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() - '%s' found in file : (%s)", TICK,
                 LOG_ARG("GetUpgDescriRelativeFile"), LOG_ARG(p_name),
                 LOG_ARG(p_relative.GetBuffer()));
    return 1;
}

int C_MAP_UPG_CARTOTREE::CheckUpgDescriRelativeFile(CMMArray<t_upg_descri_dat_elt>& p_list,
                                                    const char* p_name, int p_length,
                                                    int* p_index) {
    for (int i = 0; i < p_list.GetSize(); i++) {
        if (p_index != nullptr) {
            *p_index = -1;
        }
        t_upg_descri_dat_elt* l_elt = p_list.GetPtr(i);
        if (l_elt != nullptr &&
            GetUpgDescriRelativeFile(l_elt->m_relative_path, p_name, p_length)) {
            if (p_index != nullptr) {
                *p_index = i;
            }
            return 0;
        }
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() Missing file ", TICK,
                 LOG_ARG("CheckUpgDescriRelativeFile"));
    return -1;
}

int C_MAP_UPG_CARTOTREE::SetUpgType(CMMString& p_path, t_upg_plugin_type* p_type) {
    CMMString l_file;
    if (XtractFile(p_path, l_file) == -1) {
        return -1;
    }
    if (BeginsWith(l_file, "DVD_VER.NAV")) {
        LogCartoTree(" UpgradeType = LIST_COUNTRY \n");
        if (p_type != nullptr) {
            *p_type = LIST_COUNTRY;
        }
    } else if (BeginsWith(l_file, "CD_VER.NAV")) {
        LogCartoTree(" UpgradeType = MODULE_COUNTRY \n");
        if (p_type != nullptr) {
            *p_type = MODULE_COUNTRY;
        }
    } else {
        LogCartoTree(" UpgradeType = NONE \n");
    }
    return 0;
}

t_upg_plugin_type C_MAP_UPG_CARTOTREE::GetUpgradeType(const char* p_name, int p_length,
                                                      const CMMString& /* p_unused */) {
    t_upg_plugin_type l_type = NONE;
    CMMArray<CMMString> l_lines(10, 10);
    bool l_ok = false;

    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() - L_%d", TICK, LOG_ARG("GetUpgradeType"), 183);
    if (p_name == nullptr) {
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s() p_descri_root_file = '%s' is NULL", TICK,
                     LOG_ARG("GetUpgradeType"), LOG_ARG(""));
    } else {
        CMMString l_path;
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() Call \"BuildMainDescriDatFilePath()\"", TICK,
                     LOG_ARG("GetUpgradeType"));
        BuildMainDescriDatFilePath(l_path, p_name, p_length);
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() Call \"LoadDescriDataInMemory()\"", TICK,
                     LOG_ARG("GetUpgradeType"));
        int l_result = LoadDescriDataInMemory(l_path.GetBuffer(), l_lines);
        LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s() l_data_List_tmp.size = %d ", TICK,
                     LOG_ARG("GetUpgradeType"), LOG_ARG(l_lines.GetSize()));
        if (l_result != -1 && SaveMainDescriDatIntoSpecifiedList(l_lines) != -1 &&
            GetUpgDVDorCDValidFileIfFound(nullptr) != -1) {
            LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) GetUpgradeType()  m_map_plgin_DVD_or_CD = %s",
                         TICK, LOG_ARG(m_map_plgin_DVD_or_CD.GetBuffer()));
            if (IsExistFile(m_map_plgin_DVD_or_CD) == 1) {
                if (SetUpgType(m_map_plgin_DVD_or_CD, &l_type) != -1) {
                    m_upgrade_type = l_type;
                    l_ok = true;
                }
            } else {
                LogCartoTree("%ld - GetUpgradeType() Invalid SUPPORT UpgradeType = NONE\n", TICK);
            }
        }
    }
    if (!l_ok) {
        LogCartoTree("%ld - GetUpgradeType()  ERROR in progression occured \n", TICK);
    }
    FreeDescriDatData(l_lines);
    return l_type;
}

int C_MAP_UPG_CARTOTREE::GetUpgDVDorCDValidFileIfFound(t_upg_descri_dat_elt* /* p_unused */) {
    static const char* const l_fn = "GetUpgDVDorCDValidFileIfFound";
    /* The DVD file wins over the CD file; each logs with its own spacing. */
    static const struct {
        const char* name;
        const char* position;
        const char* found;
        const char* path;
    } l_files[2] = {
        {"DVD_VER.NAV", "%ld - (C_MAP_UPG_CARTOTREE) %s()  position=%d",
         "%ld - (C_MAP_UPG_CARTOTREE) %s()  UPG_MAP_DVD_OR_CD_FILE upg type: %s "
         "_file FOUND: %s\n",
         "%ld - (C_MAP_UPG_CARTOTREE) %s()  m_map_plgin_DVD_or_CD: %s \n"},
        {"CD_VER.NAV", "%ld - (C_MAP_UPG_CARTOTREE)  %s()  position %d \n",
         "%ld - (C_MAP_UPG_CARTOTREE)  %s()  UPG_MAP_DVD_OR_CD_FILE upg type: %s "
         "_file FOUND: %s\n",
         "%ld - (C_MAP_UPG_CARTOTREE)  %s()  m_map_plgin_DVD_or_CD: %s \n"},
    };
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE) %s()  L_%d", TICK, LOG_ARG(l_fn), 3361);
    int l_index = -1;
    if (m_main_descri_list.GetSize() > 0) {
        for (const auto& l_file : l_files) {
            if (CheckUpgDescriRelativeFile(m_main_descri_list, l_file.name,
                                           (int)strlen(l_file.name), &l_index) != 0) {
                continue;
            }
            t_upg_descri_dat_elt* l_elt = m_main_descri_list.GetPtr(l_index);
            LogCartoTree(l_file.position, TICK, LOG_ARG(l_fn), LOG_ARG(l_index));
            LogCartoTree(l_file.found, TICK, LOG_ARG(l_fn), LOG_ARG(l_file.name),
                         LOG_ARG(l_elt->m_relative_path.GetBuffer()));
            m_map_plgin_DVD_or_CD = m_media_carto_drive + l_elt->m_relative_path;
            LogCartoTree(l_file.path, TICK, LOG_ARG(l_fn),
                         LOG_ARG(m_map_plgin_DVD_or_CD.GetBuffer()));
            return 0;
        }
    }
    LogCartoTree("%ld - (C_MAP_UPG_CARTOTREE)  %s()   Missing file\n", TICK, LOG_ARG(l_fn));
    return -1;
}
