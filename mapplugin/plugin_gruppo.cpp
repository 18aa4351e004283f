/*
 * Group validity of one country folder: the "VER" of its group side file
 * must name the country.
 */
#include <host/C_BCM_UPGRADE.h>

#include "C_MAP_UPG_PLUGIN.h"

int C_MAP_UPG_PLUGIN::UpgCheckIfGruppoIsValid(CMMString& p_name, CMMString& p_dir,
                                              const CMMString& p_cid) {
    return UpgIsGruppoValid(p_name, p_dir, p_cid);
}

int C_MAP_UPG_PLUGIN::UpgIsGruppoValid(CMMString& p_name, CMMString& p_dir,
                                       const CMMString& p_cid) {
    int l_status = -1;
    UpgradePluginLog("C_MAP_UPG_PLUGIN::UpgIsGruppoValid:+");
    CMMString l_file = p_dir + p_name;
    CMMString l_version;
    if (m_bcm == nullptr || m_bcm->GetValueInFile(l_file, CMMString("VER"), l_version) == -1) {
        UpgradePluginLog("C_MAP_UPG_PLUGIN::UpgIsGruppoValid: No VER field in %s",
                         l_file.GetBuffer());
    } else if (l_version == p_cid) {
        UpgradePluginLog(
            "C_MAP_UPG_PLUGIN::UpgIsGruppoValid: Fields are the same : SourceVersion "
            "is %s and CID is %s",
            l_version.GetBuffer(), p_cid.GetBuffer());
        l_status = 0;
    } else {
        UpgradePluginLog(
            "C_MAP_UPG_PLUGIN::UpgIsGruppoValid: Fields are not the same : "
            "SourceVersion is %s and CID is %s",
            l_version.GetBuffer(), p_cid.GetBuffer());
    }
    UpgradePluginLog("C_MAP_UPG_PLUGIN::UpgIsGruppoValid- : status is %d\n", l_status);
    return l_status;
}
