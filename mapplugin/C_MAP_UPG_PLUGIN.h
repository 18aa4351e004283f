/*
 * The map upgrade plugin: the only concrete plugin of the module. It finds
 * the countries of the medium that may be installed, reports them with
 * their versions and sizes, and installs the ones the user chose.
 */
#ifndef MAPPLUGIN_C_MAP_UPG_PLUGIN_H
#define MAPPLUGIN_C_MAP_UPG_PLUGIN_H

#include <string>

#include <C_MAP_UPG_CARTOTREE.h>
#include <C_UPG_PLUGIN_Interface.h>
#include <CMMArray.h>
#include <host/CMMString.h>

typedef C_MAP_UPG_CARTOTREE::t_plugin_cid_element t_plugin_cid_element;

class C_MAP_UPG_PLUGIN : public C_UPG_PLUGIN_Interface {
  public:
    explicit C_MAP_UPG_PLUGIN(const CMMString& p_root);
    ~C_MAP_UPG_PLUGIN() override;

    /* ---- Virtual operations of the base ------------------------------------ */
    int GetVersionOfInterface() override;
    int GetVersionOfPlugin() override;
    int GetNumberOfInfos() override;
    void GetSubVersionOfPlugin(CMMString& p_sub_version) override;
    void GetOldVersionOfData(CMMString& p_version) override;
    void GetVersionOfData(CMMString& p_version) override;
    void GetIdentifier(CMMString& p_identifier) override;
    void CheckCompatibilityTask() override;
    void CheckMediaTask() override;
    void UpgradeTask() override;
    void EndOfUpgradeTask() override;
    void SetIndexOfInfos(int p_index) override;
    void ResetElementsToUpgrade() override;
    long long GetOldSizeOfData() override;
    long long GetSizeOfData() override;
    int ShowStatus() override;
    int CancelCurrentAction() override;
    int EndOfExternalTreatment() override;
    int GetUpgradeName(CMMString& p_name) override;
    int GetUpgradeType() override;
    void PushElements(const std::string& p_name, const long long& p_size,
                      const std::string& p_cid) override;

    /* ---- Country list -------------------------------------------------------- */
    int AddThisCIDInfoToTheList(const CMMString& p_cid, CMMArray<t_upg_descri_dat_elt> p_list);
    int GetCIDValuesFromDVD(const CMMString& p_cid, CMMString& p_name, CMMString& p_quarter,
                            CMMString& p_year, CMMString& p_date, CMMString& p_provider);
    int ExtractValueAfterComma(const char* p_line, int p_n, CMMString& p_value);

    /* ---- Sizes ------------------------------------------------------------------ */
    int GetCIDSize(const CMMString& p_file, CMMString& p_value);
    int GetSize(const CMMString& p_file, CMMString& p_value);
    int GetOtherSize(CMMString& p_base, CMMString& p_epc, CMMString& p_phonemes,
                     CMMString& p_third);
    void ComputeOtherSize(long long& p_total, const CMMString& p_epc, const CMMString& p_phonemes,
                          const CMMString& p_third);
    void GetIconBrandsSize();

    /* ---- Group validity ---------------------------------------------------------- */
    int UpgCheckIfGruppoIsValid(CMMString& p_name, CMMString& p_dir, const CMMString& p_cid);
    int UpgIsGruppoValid(CMMString& p_name, CMMString& p_dir, const CMMString& p_cid);

    /* ---- Construction helpers and accessors ------------------------------------------ */
    int IsMappeNeedToBeFormattedDueToTurkey();
    CMMString GetSD_DeviceName() { return m_sd_device_name; }
    void RemoveAllCIDInfos();
    int GetNumberOfCIDIntoTheList() { return m_cid_list.GetSize(); }
    int GetNumberOfCountriesToUpgrade() { return m_countries_to_upgrade.GetSize(); }
    t_plugin_cid_element* GetCIDElement(int p_index) { return m_cid_list.GetPtr(p_index); }
    int GetNumberOfCidOnMedia() { return m_number_of_cid_on_media; }
    void SetNumberOfCidOnMedia(int p_number) { m_number_of_cid_on_media = p_number; }
    void SetStepUpgradeInRun(int p_step) { m_step_upgrade_in_run = p_step; }
    void SetMonitorSpaceContinue(bool p_continue) { m_monitor_space_continue = p_continue; }
    long long GetFreeSpaceBeforeUpgrade() { return m_free_space_before_upgrade; }
    C_MAP_UPG_CARTOTREE* GetCartoTree() { return m_cartotree; }

    /* Step log of the map plugin: same as UpgradePluginLog. */
    void UpgLogPlugin(const char* p_format, ...) __attribute__((format(printf, 2, 3)));

    static C_MAP_UPG_PLUGIN* m_pInstance;

    /* ---- Attributes, in declaration order ------------------------------------------------ */
    int m_plugin_type;
    /* Found by the size lookups; hides the base's, which only its own lookup uses. */
    int m_plugin_partition_block_size;
    int m_number_of_cid_on_media;
    int m_index_of_infos;
    int m_step_upgrade_in_run;
    bool m_monitor_space_continue;
    bool m_is_db_dwnl_new;
    bool m_is_gruppo_new;
    bool m_user_cancel;
    bool m_upgrade_ok;
    bool m_upgrade_task_running;
    bool m_logs_started;
    bool m_format_needed;
    bool m_deleting_mappe;
    bool m_upgrade_done;
    bool m_gruppo_valid;
    long long m_free_space_before_upgrade;
    long long m_icon_brands_size;
    long m_used_blocks_before_upgrade;
    int m_installed_continent;
    int m_media_continent;
    CMMString m_sd_device_name;
    void* m_addr_NAV_BUILD_DEST_INSTANCE;
    void* m_addr_NAV_START_UPGRADE;
    void* m_addr_NAV_STOP_UPGRADE;
    void* m_nav_build_dest;
    void* m_addr_BCM_SET_MEDIA_CONTINENT_ID;
    void* m_addr_BCM_WANT_TO_REBOOT;
    void* m_addr_VOLUME_READ_ONLY_SET;
    CMMArray<t_plugin_cid_element> m_cid_list;
    CMMArray<t_plugin_cid_element> m_countries_to_upgrade;
    C_MAP_UPG_CARTOTREE* m_cartotree;

  private:
    C_MAP_UPG_PLUGIN(const C_MAP_UPG_PLUGIN&) = delete;
    C_MAP_UPG_PLUGIN& operator=(const C_MAP_UPG_PLUGIN&) = delete;
};

/* Creates the plugin on first call; later calls return the same object. */
extern "C" C_UPG_PLUGIN_Interface* upgplugin_GetInstance(const CMMString& p_root);

#endif /* MAPPLUGIN_C_MAP_UPG_PLUGIN_H */
