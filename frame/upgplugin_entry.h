/*
 * Entry points of the loadable module. The upgrade manager finds each of
 * them by its unmangled name; every one but upgplugin_GetInstance forwards
 * to the plugin and answers a fixed default when there is none.
 */
#ifndef FRAME_UPGPLUGIN_ENTRY_H
#define FRAME_UPGPLUGIN_ENTRY_H

#include <string>

#include <host/CMMString.h>

class C_UPG_PLUGIN_Interface;

extern "C" {

/* Creates the plugin on first call; later calls return the same object. */
C_UPG_PLUGIN_Interface* upgplugin_GetInstance(const CMMString& p_root);

int upgplugin_GetVersionOfInterface(void);
int upgplugin_GetVersionOfPlugin(void);
void upgplugin_GetSubVersionOfPlugin(CMMString& p_sub_version);
int upgplugin_GetUpgradeType(void);
int upgplugin_GetNumberOfInfos(void);
void upgplugin_SetIndexOfInfos(int p_index);
int upgplugin_GetUpgradeName(CMMString& p_name);
void upgplugin_GetIdentifier(CMMString& p_identifier);
void upgplugin_GetVersionOfData(CMMString& p_version);
void upgplugin_GetOldVersionOfData(CMMString& p_version);
long long upgplugin_GetSizeOfData(void);
long long upgplugin_GetOldSizeOfData(void);
void upgplugin_ResetElementsToUpgrade(void);
void upgplugin_PushElements(const std::string& p_identifier, const long long& p_size,
                            const std::string& p_version);
int upgplugin_ShowStatus(void);
int upgplugin_CancelCurrentAction(void);
int upgplugin_EndOfExternalTreatment(void);

/* The step launchers take the plugin given by upgplugin_GetInstance. */
int upgplugin_LaunchCheckCompatibility(C_UPG_PLUGIN_Interface* p_plugin);
int upgplugin_LaunchCheckMedia(C_UPG_PLUGIN_Interface* p_plugin);
int upgplugin_LaunchUpgrade(C_UPG_PLUGIN_Interface* p_plugin);
int upgplugin_LaunchEndOfUpgrade(C_UPG_PLUGIN_Interface* p_plugin);

/*
 * Load and unload hooks. The module points the loader's init and fini at
 * them; a repeated call (the manager calling them by name as well) only
 * does what is still to do.
 */
void _init(void);
void _finit(void);

} /* extern "C" */

#endif /* FRAME_UPGPLUGIN_ENTRY_H */
