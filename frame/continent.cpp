/*
 * Continent of a cartography, told from the country folders it holds.
 */
#include "C_UPG_PLUGIN_Interface.h"

#include <platform/fileio.h>

#include <host/C_BCM_UPGRADE.h>
#include <host/storage.h>
#include <host/systool.h>

namespace {

struct t_continent_folder {
    int folder;
    int continent;
};

/* Searched in this order; the first folder present decides. 031 is told apart by its name. */
const int CONTINENT_SHARED_FOLDER = 31;
const t_continent_folder CONTINENT_TABLE[] = {
    {1, 1},   {2, 1},   {3, 1},   {4, 1},  {5, 1},   {6, 1},   {12, 1},  {13, 1},  {16, 1}, {20, 1},
    {21, 1},  {22, 1},  {24, 1},  {25, 2}, {26, 2},  {8, 3},   {9, 3},   {10, 3},  {14, 3}, {15, 3},
    {18, 3},  {19, 3},  {28, 3},  {7, 4},  {29, 4},  {32, 5},  {30, 6},  {17, 7},  {23, 8}, {27, 9},
    {34, 10}, {36, 11}, {39, 12}, {31, 0}, {35, 14}, {37, 15}, {38, 16}, {33, 17},
};

bool IsFolderPresent(const CMMString& p_path) {
    DIR* l_dir = fsOpendir(p_path.GetBuffer());
    if (l_dir == NULL) return false;
    closedir(l_dir);
    return true;
}

/*
 * Walks the table under p_prefix ("<root>/DATA/MAPPE/" or "<card>MAPPE/").
 * Returns the continent, 0 when none, and sets p_found when a folder decided.
 */
int SearchContinent(C_BCM_UPGRADE* p_bcm, const CMMString& p_prefix, const char* p_operation,
                    bool& p_found) {
    p_found = false;
    for (const t_continent_folder& l_entry : CONTINENT_TABLE) {
        CMMString l_folder;
        l_folder.Format("%s%03d", p_prefix.GetBuffer(), l_entry.folder);
        if (!IsFolderPresent(l_folder)) continue;

        p_found = true;
        if (l_entry.folder != CONTINENT_SHARED_FOLDER) return l_entry.continent;

        if (p_bcm == NULL) return 0;
        CMMString l_name;
        if (p_bcm->GetValueInFile(l_folder + "/CD_VER.NAV.inf", CMMString("CD_NAME"), l_name) ==
            -1) {
            SYSTOOL_LogMsgNoFormat(
                false, "%ld - (C_UPG_PLUGIN_Interface) << %s: GetValueInFile returns Error >>",
                tickGet(), p_operation);
            return 0;
        }
        return l_name.Compare("CHILE", true) ? 4 : 13;
    }
    return 0;
}

}  // namespace

int C_UPG_PLUGIN_Interface::GetMediaContinent() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_PLUGIN_Interface) << GetMediaContinent + >>",
                           tickGet());

    CMMString l_prefix = m_upgrade_root_path + "/DATA/MAPPE/";
    bool l_found = false;
    int l_continent = SearchContinent(m_bcm, l_prefix, "GetMediaContinent", l_found);
    if (!l_found) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_PLUGIN_Interface) << GetMediaContinent - >>",
                               tickGet());
    }
    return l_continent;
}

int C_UPG_PLUGIN_Interface::GetInstalledContinent() {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_UPG_PLUGIN_Interface) << GetInstalledContinent + >>",
                           tickGet());

    C_FS_STORAGE_ENTITY l_volume;
    if (C_FS_STORAGE_CTRL_PATH::GetCartographyDir(l_volume) != 0) {
        SYSTOOL_LogMsgNoFormat(
            false, "%ld - (C_UPG_PLUGIN_Interface) << GetInstalledContinent - >>", tickGet());
        return 0;
    }

    CMMString l_prefix = l_volume.GetName() + "MAPPE/";
    bool l_found = false;
    int l_continent = SearchContinent(m_bcm, l_prefix, "GetInstalledContinent", l_found);
    if (!l_found) {
        SYSTOOL_LogMsgNoFormat(
            false, "%ld - (C_UPG_PLUGIN_Interface) << GetInstalledContinent - >>", tickGet());
    }
    return l_continent;
}
