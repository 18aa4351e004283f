/*
 * Placeholders for the step bodies and the country-list building that are
 * not written yet: each logs its name and reports nothing. Replace this
 * file as the steps are written.
 */
#include <host/systool.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_PLUGIN.h"

static void LogPending(const char* p_name) {
    SYSTOOL_LogMsgNoFormat(false, "%ld - (C_MAP_UPG_PLUGIN) %s() not available", (long)tickGet(),
                           p_name);
}

void C_MAP_UPG_PLUGIN::CheckCompatibilityTask() { LogPending("CheckCompatibilityTask"); }

void C_MAP_UPG_PLUGIN::CheckMediaTask() { LogPending("CheckMediaTask"); }

void C_MAP_UPG_PLUGIN::UpgradeTask() { LogPending("UpgradeTask"); }

void C_MAP_UPG_PLUGIN::EndOfUpgradeTask() { LogPending("EndOfUpgradeTask"); }

int C_MAP_UPG_PLUGIN::CancelCurrentAction() {
    LogPending("CancelCurrentAction");
    return -1;
}

int C_MAP_UPG_PLUGIN::AddThisCIDInfoToTheList(const CMMString& p_cid,
                                              CMMArray<t_upg_descri_dat_elt> /* p_list */) {
    UpgradePluginLog("(C_MAP_UPG_PLUGIN) %s() : for CID ('%s')", "AddThisCIDInfoToTheList",
                     p_cid.GetBuffer());
    LogPending("AddThisCIDInfoToTheList");
    return -1;
}
