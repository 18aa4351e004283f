/*
 * Exported entry points of the module: thin forwarders to the map plugin's
 * singleton, the step launchers, and the load and unload hooks.
 */
#include "upgplugin_entry.h"

#include <host/systool.h>
#include <platform/kernel.h>

#include "C_MAP_UPG_PLUGIN.h"

namespace {

/* Set once the hooks have logged: the loader and the manager may both call them. */
bool s_init_done = false;
bool s_finit_done = false;

}  // namespace

/* Weak, so that a program that links this object keeps its own runtime _init. */
#define UPGPLUGIN_HOOK extern "C" __attribute__((weak, visibility("default")))

int upgplugin_GetVersionOfInterface(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetVersionOfInterface() : 0;
}

int upgplugin_GetVersionOfPlugin(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetVersionOfPlugin() : 0;
}

void upgplugin_GetSubVersionOfPlugin(CMMString& p_sub_version) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    p_sub_version.Purge();
    if (l_plugin != nullptr) {
        l_plugin->GetSubVersionOfPlugin(p_sub_version);
    }
}

int upgplugin_GetUpgradeType(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetUpgradeType() : 0;
}

int upgplugin_GetNumberOfInfos(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetNumberOfInfos() : -1;
}

void upgplugin_SetIndexOfInfos(int p_index) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    if (l_plugin != nullptr) {
        l_plugin->SetIndexOfInfos(p_index);
    }
}

int upgplugin_GetUpgradeName(CMMString& p_name) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    p_name.Purge();
    return l_plugin != nullptr ? l_plugin->GetUpgradeName(p_name) : -1;
}

void upgplugin_GetIdentifier(CMMString& p_identifier) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    p_identifier.Purge();
    if (l_plugin != nullptr) {
        l_plugin->GetIdentifier(p_identifier);
    }
}

void upgplugin_GetVersionOfData(CMMString& p_version) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    p_version.Purge();
    if (l_plugin != nullptr) {
        l_plugin->GetVersionOfData(p_version);
    }
}

void upgplugin_GetOldVersionOfData(CMMString& p_version) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    p_version.Clear();
    if (l_plugin != nullptr) {
        l_plugin->GetOldVersionOfData(p_version);
    }
}

long long upgplugin_GetSizeOfData(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetSizeOfData() : 0;
}

long long upgplugin_GetOldSizeOfData(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->GetOldSizeOfData() : 0;
}

void upgplugin_ResetElementsToUpgrade(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    if (l_plugin != nullptr) {
        l_plugin->ResetElementsToUpgrade();
    }
}

void upgplugin_PushElements(const std::string& p_identifier, const long long& p_size,
                            const std::string& p_version) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    if (l_plugin != nullptr) {
        l_plugin->PushElements(p_identifier, p_size, p_version);
    }
}

int upgplugin_ShowStatus(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->ShowStatus() : -1;
}

int upgplugin_CancelCurrentAction(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->CancelCurrentAction() : -1;
}

int upgplugin_EndOfExternalTreatment(void) {
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    return l_plugin != nullptr ? l_plugin->EndOfExternalTreatment() : -1;
}

int upgplugin_LaunchCheckCompatibility(C_UPG_PLUGIN_Interface* p_plugin) {
    return p_plugin != nullptr ? p_plugin->LaunchCheckCompatibility(p_plugin) : -1;
}

int upgplugin_LaunchCheckMedia(C_UPG_PLUGIN_Interface* p_plugin) {
    return p_plugin != nullptr ? p_plugin->LaunchCheckMedia(p_plugin) : -1;
}

int upgplugin_LaunchUpgrade(C_UPG_PLUGIN_Interface* p_plugin) {
    return p_plugin != nullptr ? p_plugin->LaunchUpgrade(p_plugin) : -1;
}

int upgplugin_LaunchEndOfUpgrade(C_UPG_PLUGIN_Interface* p_plugin) {
    return p_plugin != nullptr ? p_plugin->LaunchEndOfUpgrade(p_plugin) : -1;
}

UPGPLUGIN_HOOK void _init(void) {
    if (__atomic_exchange_n(&s_init_done, true, __ATOMIC_ACQ_REL)) {
        return;
    }
    SYSTOOL_LogMsgNoFormat(false, "%ld - ============> Upgrade carto : _init", (long)tickGet());
}

UPGPLUGIN_HOOK void _finit(void) {
    if (!__atomic_exchange_n(&s_finit_done, true, __ATOMIC_ACQ_REL)) {
        SYSTOOL_LogMsgNoFormat(false, "%ld - ============> Upgrade carto : _finit",
                               (long)tickGet());
    }
    /* Still done after an earlier call: a plugin created since must go with the module. */
    C_UPG_PLUGIN_Interface* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
    if (l_plugin != nullptr) {
        delete l_plugin;
        C_MAP_UPG_PLUGIN::m_pInstance = nullptr;
    }
}
