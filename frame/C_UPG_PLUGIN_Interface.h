/*
 * Base class of every upgrade plugin: the boundary with the unit's upgrade
 * manager. It holds what every plugin needs, runs each step in a task of its
 * own and tells the manager when a step ends, and offers the helpers shared
 * by all plugin kinds (logs and history, continents, hardware checks,
 * temporary folders, the extractor bridge, file utilities).
 *
 * The order of the virtual operations is part of the interface with the
 * manager, which holds the plugin as a C_UPG_PLUGIN_Interface: never reorder.
 */
#ifndef FRAME_C_UPG_PLUGIN_INTERFACE_H
#define FRAME_C_UPG_PLUGIN_INTERFACE_H

#include <stdio.h>

#include <string>

#include <host/CMMString.h>
#include <host/context_data.h>
#include <platform/kernel.h>

class C_BCM_UPGRADE;
class C_BCM_UPGRADE_msg_plugin;
class C_FS_STORAGE_ENTITY;

/* Log kinds: each has its file under "/SYSTEM_TMP_DATA/spy/UPG/". */
enum t_upg_log : int {
    UPG_LOG_NONE = 0,
    UPG_LOG_MAP = 1,
    UPG_LOG_SKIN = 2,
    UPG_LOG_ZAR = 3,
    UPG_LOG_POI = 4,
    UPG_LOG_COPY = 5,
    UPG_LOG_POI_USER = 6,
    UPG_LOG_MODULE_DRIVER = 7,
    UPG_LOG_RADIO_LOGOS = 8,
    UPG_LOG_INTERACTIVE_MANUAL = 9,
    UPG_LOG_BT_STACK = 10,
    UPG_LOG_PERSONNAL_PICTURE = 11,
    UPG_LOG_PMS_PICTOS = 12,
    UPG_LOG_GENERIC = 13,
    UPG_LOG_COPY_DELETE = 14,
    UPG_LOG_ST_LIBELLE = 15,
};

/* Commands of SetUpgradeLogging. */
enum t_upgrade_log_state : int {
    UPG_LOG_START = 1,
    UPG_LOG_STOP = 2,
    UPG_LOG_STOP_AND_ARCHIVE = 3,
};

class C_UPG_PLUGIN_Interface {
  public:
    C_UPG_PLUGIN_Interface();

    /* ---- Virtual operations, in the manager's slot order ---------------- */
    virtual ~C_UPG_PLUGIN_Interface();
    virtual int GetVersionOfInterface() = 0;
    virtual int GetVersionOfPlugin() = 0;
    virtual int GetNumberOfInfos() = 0;
    virtual void GetSubVersionOfPlugin(CMMString& p_sub_version) = 0;
    virtual void GetOldVersionOfData(CMMString& p_version) = 0;
    virtual void GetVersionOfData(CMMString& p_version) = 0;
    virtual void GetIdentifier(CMMString& p_identifier) = 0;
    virtual void CheckCompatibilityTask() = 0;
    virtual void CheckMediaTask() = 0;
    virtual void UpgradeTask() = 0;
    virtual void EndOfUpgradeTask() = 0;
    virtual void SetIndexOfInfos(int p_index) = 0;
    virtual void ResetElementsToUpgrade() = 0;
    virtual long long GetOldSizeOfData() = 0;
    virtual long long GetSizeOfData() = 0;
    virtual int ShowStatus() = 0;
    virtual int CancelCurrentAction() = 0;
    virtual int EndOfExternalTreatment() = 0;
    virtual int GetUpgradeName(CMMString& p_name) = 0;
    virtual int LaunchCheckCompatibility(C_UPG_PLUGIN_Interface* p_instance);
    virtual int LaunchCheckMedia(C_UPG_PLUGIN_Interface* p_instance);
    virtual int LaunchUpgrade(C_UPG_PLUGIN_Interface* p_instance);
    virtual int LaunchEndOfUpgrade(C_UPG_PLUGIN_Interface* p_instance);
    virtual int GetUpgradeType() = 0;
    virtual void PushElements(const std::string& p_identifier, const long long& p_size,
                              const std::string& p_version) = 0;
    virtual int ManageOldTempFolders(CMMString& p_base, CMMString& p_folder);
    virtual int SendMessageToBCM(C_BCM_UPGRADE_msg_plugin p_msg);
    /* The argument carries the plugin pointer, so it is pointer-sized. */
    virtual int LaunchTask(FUNCPTR p_entry, _Vx_usr_arg_t p_arg);
    virtual int CheckHardwareCompatibility();
    virtual int VerifyCRC32ofFileForPlugin(const CMMString& p_file, unsigned long p_expected,
                                           unsigned long& p_computed);

    /* ---- Construction and steps ----------------------------------------- */
    void Init(const CMMString& p_root);
    bool GetInterfaceVersion6Embedded() const { return m_interface_version6_embedded; }
    void SendUpgradeEnded();
    void SendUpgradeAbortedByExtraction();
    int SetPluginCDDState(t_bcm_upgrade_state p_state);
    void* GetAddrSymbol(const char* p_name);

    static int StaticCheckCompatibilityTask(C_UPG_PLUGIN_Interface* p_instance);
    static int StaticCheckMediaTask(C_UPG_PLUGIN_Interface* p_instance);
    static int StaticUpgradeTask(C_UPG_PLUGIN_Interface* p_instance);
    static int StaticEndOfUpgradeTask(C_UPG_PLUGIN_Interface* p_instance);

    /* ---- Step log and history ------------------------------------------- */
    int GetCorrespondingLogFilePath(t_upg_log p_kind, CMMString& p_path);
    int SetUpgradeLogging(t_upgrade_log_state p_command, t_upg_log p_kind);
    void MakeLogArchive(t_upg_log& p_kind);
    void UpgradePluginLog(const char* p_format, ...) __attribute__((format(printf, 2, 3)));
    int AddUPGHistoryHeader(const CMMString& p_upgrade_type, bool p_ended);
    void LogsOnTelnet();

    /* ---- Continents ----------------------------------------------------- */
    int GetMediaContinent();
    int GetInstalledContinent();

    /* ---- Hardware and host-symbol checks -------------------------------- */
    int CheckHardwareFamilly();
    int IsNavigationFlagActivated();
    int CheckAndGetSymblolAddress(const char* p_display_name, const char* p_symbol,
                                  void*& p_address);

    /* ---- Temporary folders, block size, extractor bridge ---------------- */
    int GetPartitionBlockSize(const CMMString& p_path);
    int UnCompress(const CMMString& p_archive, const CMMString& p_destination);
    static int CancelUnCompress();
    int GetSize(CMMString p_file, CMMString p_key, double& p_size);

    /* ---- File utilities ------------------------------------------------- */
    int PluginIsDirExist(const char* p_path);
    int DeleteSDTemporaryFiles(C_FS_STORAGE_ENTITY& p_volume, CMMString& p_folder);
    int RemoveTemporaryFolders(C_FS_STORAGE_ENTITY& p_volume);
    int PluginGetValueInFile(const CMMString& p_file, const CMMString& p_field, CMMString& p_value);
    int ComputeTheSizeOfDirectory(const CMMString& p_folder, long long& p_total);
    int ReadVehicleTypeFromSystem(CMMString& p_type);
    int RetrieveStringFromFile(const CMMString& p_file, const CMMString& p_key, CMMString& p_value);
    int RetrieveStringFromFileWithoutSpace(const CMMString& p_file, const CMMString& p_key,
                                           CMMString& p_value);
    int AddLogs(const CMMString& p_text);

    /* ---- Attributes, in declaration order ------------------------------- */
    C_BCM_UPGRADE* m_bcm;
    CMMString m_hardware_description;
    CMMString m_plugin_sub_version;
    CMMString m_upgrade_root_path;
    CMMString m_history_sub_version;
    /* Id of the running step task, 0 when idle; -1 while a launch is spawning
     * its task. Step tasks and launchers access it atomically. */
    int m_plugin_upgrade_task_ID;
    int m_hour;
    int m_minute;
    int m_year;
    int m_month;
    int m_day;
    int m_iLogFile;
    FILE* m_LogFilePtr;
    int m_stdout_fd;
    bool m_log_archived_once;
    bool m_interface_version6_embedded;
    void* m_addr_BCM_UPG_END_OF_UPGRADE;
    void* m_addr_BCM_UPG_ABORTED_BY_EXTRACT;
    void* m_addr_BCM_SEND_PLUGIN_MESSAGE;
    int m_hardware_code;
    int m_plugin_partition_block_size;

  private:
    /* Serialises step-log lines written by several tasks (created by the constructor). */
    SEM_ID m_log_lock;

    void TakeLogLock();
    void GiveLogLock();
    /* Closes the step log's descriptor and stream, if open. */
    void CloseLogFiles();

    C_UPG_PLUGIN_Interface(const C_UPG_PLUGIN_Interface&) = delete;
    C_UPG_PLUGIN_Interface& operator=(const C_UPG_PLUGIN_Interface&) = delete;
};

#endif /* FRAME_C_UPG_PLUGIN_INTERFACE_H */
