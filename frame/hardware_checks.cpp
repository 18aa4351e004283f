/*
 * Hardware compatibility from the board identifiers, the navigation flag and
 * the look-up of host operations that an older host may lack.
 */
#include "C_UPG_PLUGIN_Interface.h"

#include <host/board_ids.h>
#include <host/config_system.h>

namespace {

const int HW_MB1_FAMILY = 5;
const int HW_DB1_BT = 4;
const int HW_DB1_NAV = 9;
/* MB2 values (0 to 10) that a DB1 9 unit accepts: bits 2, 3, 5, 6, 9, 10. */
const unsigned int HW_DB1_NAV_MB2_MASK = 0x66C;

}  // namespace

int C_UPG_PLUGIN_Interface::CheckHardwareCompatibility() {
    int l_mb1 = GetMBId1();
    int l_mb2 = GetMBId2();
    int l_db1 = GetDBId1();

    int l_result = -1;
    const char* l_label = "";

    if (l_mb1 == HW_MB1_FAMILY) {
        if (l_db1 == HW_DB1_BT) {
            switch (l_mb2) {
                case 5:
                    l_result = 0;
                    m_hardware_code = 101;
                    l_label = "AUDIO_BT ";
                    break;
                case 6:
                    l_result = 0;
                    m_hardware_code = 102;
                    l_label = "AUDIO_BT";
                    break;
                case 7:
                    m_hardware_code = 1;
                    l_label = "AUDIO_BT";
                    break;
                case 9:
                    l_result = 0;
                    m_hardware_code = 104;
                    l_label = "NAV";
                    break;
                default:
                    m_hardware_code = 1;
                    l_label = "MB (id2) unsupported";
                    break;
            }
        } else if (l_db1 == HW_DB1_NAV) {
            if (l_mb2 >= 0 && l_mb2 <= 10 && ((HW_DB1_NAV_MB2_MASK >> l_mb2) & 1u) != 0) {
                l_result = 0;
            }
        } else {
            m_hardware_code = 1;
            l_label = "DB Unsupported";
        }
    } else if (l_mb2 == 1) {
        if (l_db1 == 1) {
            m_hardware_code = 1;
            l_label = "Proto B: Unsupported";
        } else {
            m_hardware_code = 2;
            l_label = "AUDIO";
        }
    } else if (l_mb2 == 2) {
        m_hardware_code = 3;
        l_label = "AUDIO_BT";
    } else if (l_mb2 == 3) {
        m_hardware_code = 5;
        l_label = "NAV";
    } else {
        m_hardware_code = 1;
        l_label = "MB (id1) Unsupported";
    }

    CMMString l_ids;
    l_ids.Format(" {MBId1= %d; MBId2= %d; DBId1= %d} ", l_mb1, l_mb2, l_db1);
    m_hardware_description = l_label;
    m_hardware_description += l_ids;
    return l_result;
}

int C_UPG_PLUGIN_Interface::CheckHardwareFamilly() {
    int l_mb1 = GetMBId1();
    if (l_mb1 == HW_MB1_FAMILY) {
        UpgradePluginLog("(CheckHardwareFamilly) Hw familly mother board id '%d' is authorized",
                         l_mb1);
        return 0;
    }
    UpgradePluginLog("(CheckHardwareFamilly) Hw familly mother board id '%d' is not authorized",
                     l_mb1);
    return -1;
}

int C_UPG_PLUGIN_Interface::IsNavigationFlagActivated() {
    int l_value = C_CONFIG_SYSTEM::GetValue("SETUP_FLAG_NAV_ACTIVATED");
    UpgradePluginLog("(IsNavigationFlagActivated) Navigation flag is set to '%d'", l_value);
    return l_value;
}

int C_UPG_PLUGIN_Interface::CheckAndGetSymblolAddress(const char* p_display_name,
                                                      const char* p_symbol, void*& p_address) {
    const char* l_display = (p_display_name != NULL) ? p_display_name : "";
    if (p_symbol == NULL) {
        UpgradePluginLog("\t*** Instance of %s symbol is NULL! ***", l_display);
        return -1;
    }
    p_address = GetAddrSymbol(p_symbol);
    if (p_address != NULL) {
        UpgradePluginLog("\t%s symbol  : OK", l_display);
        return 0;
    }
    UpgradePluginLog("\t*** Instance of %s symbol '%s' is Missing! ***", l_display, p_symbol);
    return -1;
}
