/*
 * The medium's version file CURR_VERS_NAVI.TXT: one line per country with
 * its name, quarter, year, delivery date and provider.
 */
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <platform/fileio.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_PLUGIN.h"

/* Lines are read in pieces of at most 299 characters. */
static const int VERSION_LINE_SIZE = 300;

int C_MAP_UPG_PLUGIN::ExtractValueAfterComma(const char* p_line, int p_n, CMMString& p_value) {
    p_value.Clear();
    if (p_line == nullptr || p_n < 1) {
        return -1;
    }
    char l_buffer[VERSION_LINE_SIZE];
    strncpy(l_buffer, p_line, VERSION_LINE_SIZE - 1);
    l_buffer[VERSION_LINE_SIZE - 1] = '\0';

    int l_commas = 0;
    for (char* l_p = l_buffer; *l_p != '\0'; l_p++) {
        if (*l_p != ',') {
            continue;
        }
        l_commas++;
        if (l_commas == p_n) {
            char* l_start = l_p + 1;
            char* l_end = strchr(l_start, ',');
            if (l_end != nullptr) {
                *l_end = '\0';
            }
            p_value = l_start;
            return 0;
        }
    }
    return -1;
}

int C_MAP_UPG_PLUGIN::GetCIDValuesFromDVD(const CMMString& p_cid, CMMString& p_name,
                                          CMMString& p_quarter, CMMString& p_year,
                                          CMMString& p_date, CMMString& p_provider) {
    CMMString l_file_name;
    if (m_cartotree != nullptr) {
        l_file_name = m_cartotree->GetMapPlgin_DVD_CurrVersNavi();
    }
    UpgradePluginLog("(C_MAP_UPG_PLUGIN) GetCIDValuesFromDVD l_file_name=%s ",
                     l_file_name.GetBuffer());

    FILE* l_file = fsFopen(l_file_name.GetBuffer(), "r");
    if (l_file == nullptr) {
        UpgradePluginLog(
            "(C_MAP_UPG_PLUGIN) GetCIDValuesFromDVD (fopen '%s') return ERROR (errno "
            "= 0x%X)",
            l_file_name.GetBuffer(), (unsigned)errnoGet());
    } else {
        /* fgets never writes past index 299, so the last byte always ends the text. */
        char l_line[VERSION_LINE_SIZE] = {0};
        while (!feof(l_file)) {
            if (fgets(l_line, VERSION_LINE_SIZE, l_file) == nullptr) {
                l_line[VERSION_LINE_SIZE - 1] = '\0';
                UpgradePluginLog(
                    "(C_MAP_UPG_PLUGIN) GetCIDValuesFromDVD (fget '%s') return ERROR "
                    "(errno = 0x%X)",
                    l_line, (unsigned)errnoGet());
                /* A read error would never reach the end of the file. */
                if (ferror(l_file)) {
                    break;
                }
                continue;
            }
            char* l_cut = strchr(l_line, '\n');
            if (l_cut != nullptr) {
                *l_cut = '\0';
            }
            l_cut = strchr(l_line, '\r');
            if (l_cut != nullptr) {
                *l_cut = '\0';
            }
            const char* l_colon = strchr(l_line, ':');
            if (strlen(l_line) < 4 || strncmp(l_line, "CID:", 4) != 0 || l_colon == nullptr ||
                strncmp(l_colon + 1, p_cid.GetBuffer(), 3) != 0) {
                continue;
            }
            if (ExtractValueAfterComma(l_line, 3, p_quarter) != 0 ||
                ExtractValueAfterComma(l_line, 4, p_year) != 0 ||
                ExtractValueAfterComma(l_line, 5, p_date) != 0) {
                continue;
            }
            p_date.SupprChar("\"");
            if (ExtractValueAfterComma(l_line, 6, p_name) != 0) {
                continue;
            }
            p_name.SupprChar("\"");
            if (ExtractValueAfterComma(l_line, 7, p_provider) != 0) {
                continue;
            }
            p_provider.SupprChar("\"");
            fclose(l_file);
            UpgradePluginLog(
                "(C_MAP_UPG_PLUGIN) GetCIDValuesFromDVD ('%s') = '%s' 'Q%s-%s' "
                "provided by %s the %s",
                p_cid.GetBuffer(), p_name.GetBuffer(), p_quarter.GetBuffer(), p_year.GetBuffer(),
                p_provider.GetBuffer(), p_date.GetBuffer());
            return 0;
        }
        fclose(l_file);
    }
    p_name.Clear();
    p_quarter.Clear();
    p_year.Clear();
    UpgradePluginLog("(C_MAP_UPG_PLUGIN) CID '%s' not found or corrupted...", p_cid.GetBuffer());
    return -1;
}
