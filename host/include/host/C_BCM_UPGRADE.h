/*
 * The unit's upgrade manager: loads the upgrade plugin, shows the user the
 * countries, the progress and the results, and reads side files for it.
 *
 * Every operation returns 0 on success and -1 on failure unless said
 * otherwise. All are safe to call from several tasks at once.
 */
#ifndef HOST_C_BCM_UPGRADE_H
#define HOST_C_BCM_UPGRADE_H

#include <host/CMMString.h>
#include <host/C_ActiveMessage.h>

typedef enum {
    UPG_PLUGIN_COMPATIBILITY_NOT_AUTHORISED = 1,
    UPG_PLUGIN_COMPATIBILITY_TOO_OLD = 2,
    UPG_PLUGIN_COMPATIBILITY_OK = 5,
} t_upg_plugin_compatibility_result;

typedef enum {
    UPG_PLUGIN_MEDIA_OK = 1,
    UPG_PLUGIN_MEDIA_DATA_CORRUPTED = 3,
} t_upg_plugin_media_result;

typedef enum {
    UPG_PLUGIN_UPGRADE_OK = 1,
    UPG_PLUGIN_UPGRADE_ABORTED_BY_USER = 2,
    UPG_PLUGIN_UPGRADE_ABORTED_BY_EXTRACTION = 3,
    UPG_PLUGIN_UPGRADE_KO = 4,
} t_upg_plugin_upgrade_result;

class C_BCM_UPGRADE {
  public:
    /* The manager, or null when the unit has none. */
    static C_BCM_UPGRADE* Instance();

    /*
     * Reads the value of p_key from the text file p_file (unit path): lines
     * KEY=VALUE, LF or CRLF, blanks around key and value ignored, the first
     * matching line wins, lines without '=' ignored, lines longer than
     * 64 KiB skipped. 0 with the value, which may be empty ("KEY="); -1 with
     * p_value empty when the file cannot be read or holds no such key.
     */
    int GetValueInFile(const CMMString& p_file, const CMMString& p_key, CMMString& p_value);
    /* 1 when p_file names an existing file (not a folder), 0 otherwise. */
    int IsExistFile(const CMMString& p_file);

    /* Progress of the country at p_position (percent as a signed 8-bit value). */
    int PluginSetProgressBar(char p_percent, int p_position);
    int PluginSetResultOfCheckCompatibility(t_upg_plugin_compatibility_result p_result);
    int PluginSetResultOfCheckMedia(t_upg_plugin_media_result p_result);
    int PluginSetResultOfUpgrade(t_upg_plugin_upgrade_result p_result);
    /* Asks for the plugin to be unloaded; never unloads it from inside the call. */
    int PluginUnloadUpgradePlugin();

    /*
     * Operations of newer managers. Plugins never call them directly: they
     * find them by their mangled names in the system symbol table and call
     * them with the manager as first argument, for example as
     * int (*)(C_BCM_UPGRADE*) or int (*)(C_BCM_UPGRADE*, C_BCM_UPGRADE_msg_plugin).
     */
    int EndOfUpgrade();
    int UpgradeAbortedByExtraction();
    int SendPluginMessage(C_BCM_UPGRADE_msg_plugin p_message);
    int SetMediaContinentID();
    int PluginWantToRebootSystem();

  private:
    C_BCM_UPGRADE();
    ~C_BCM_UPGRADE();
    C_BCM_UPGRADE(const C_BCM_UPGRADE&) = delete;
    C_BCM_UPGRADE& operator=(const C_BCM_UPGRADE&) = delete;

    friend struct C_BCM_UPGRADE_Factory;
};

#endif /* HOST_C_BCM_UPGRADE_H */
