/*
 * Cartography tree: what the upgrade medium holds, as told by its
 * descriptor files (DESCRI.DAT), and the lookups built on them.
 */
#ifndef CARTOTREE_C_MAP_UPG_CARTOTREE_H
#define CARTOTREE_C_MAP_UPG_CARTOTREE_H

#include <CMMArray.h>
#include <host/CMMString.h>
#include <platform/kernel.h>

class C_BCM_UPGRADE;

/* Kind of medium, from the name of the version file it carries. */
enum t_upg_plugin_type : int {
    NONE = 0,
    MODULE_COUNTRY = 0x10001, /* CD_VER.NAV */
    LIST_COUNTRY = 0x20001,   /* DVD_VER.NAV */
};

/* One line of a descriptor file. */
struct t_upg_descri_dat_elt {
    CMMString m_kind;
    CMMString m_column1;
    CMMString m_relative_path;
    CMMString m_column3;
    CMMString m_column4;
};

/* Path mode and log channel of the tree. */
enum PERIMETER : int {
    PERIMETER_0 = 0,
    PERIMETER_1 = 1,
    PERIMETER_2 = 2,
    PERIMETER_3 = 3,
};

/* Side file of a country folder that a lookup wants. */
enum UPG_VALID : int {
    UPG_MAP_CD_VER_NAV_FILE = 1,
    UPG_MAP_GRUPPO_INF_FILE = 2,
};

class C_MAP_UPG_CARTOTREE {
  public:
    /* One country of the medium as offered to the host. */
    struct t_plugin_cid_element {
        CMMString s_name;
        CMMString s_cid;
        long long ll_size = 0;
        CMMString s_quarter;
        CMMString s_year;
        CMMString s_version;
        CMMString s_release;
        CMMString s_old_version;
        CMMString s_old_release;
        long long ll_old_size = 0;
        bool b_selected = false;
    };

    C_MAP_UPG_CARTOTREE(PERIMETER p_perimeter, const CMMString& p_root, CMMString& p_carto);
    explicit C_MAP_UPG_CARTOTREE(PERIMETER p_perimeter);
    virtual ~C_MAP_UPG_CARTOTREE();

    /* ---- Accessors ------------------------------------------------------- */
    void XtractCartoDrive();
    CMMString GetMediaCartoDrive() { return m_media_carto_drive; }
    const CMMString& GetMediaCartoDrive() const { return m_media_carto_drive; }
    CMMString GetProductCartoPath() const { return m_product_carto_path; }
    void SetProductCartoPath(const CMMString& p_path) { m_product_carto_path = p_path; }
    void SetMediaCartoDrive(const CMMString& p_drive) { m_media_carto_drive = p_drive; }
    CMMString GetMapPlgin_DVD_CurrVersNavi() const { return m_map_plgin_DVD_CurrVersNavi; }
    void SetMapPlgin_DVD_CurrVersNavi(const CMMString& p_path) {
        m_map_plgin_DVD_CurrVersNavi = p_path;
    }
    CMMString GetMapPlginDVDorCDfilePath() { return m_map_plgin_DVD_or_CD; }
    bool GetIsDbDwnlNew() const { return m_is_db_dwnl_new; }
    void SetIsDbDwnlNew(bool p_new) { m_is_db_dwnl_new = p_new; }
    bool GetIsGruppoNew() const { return m_is_gruppo_new; }
    void SetIsGruppoNew(bool p_new) { m_is_gruppo_new = p_new; }

    /* ---- File and path helpers ------------------------------------------- */
    void BuildUpgFilePath(CMMString& p_relative, CMMString& p_file_path);
    int IsExistFile(const CMMString& p_path);
    int CheckIfDirectoryExist(CMMString p_dir);
    int XtractFile(CMMString p_path, CMMString& p_name);

    /* ---- Descriptors ----------------------------------------------------- */
    int LoadDescriDataInMemory(const char* p_path, CMMArray<CMMString>& p_lines);
    int GetUniqueDescriDatInfo(CMMString& p_line, t_upg_descri_dat_elt* p_elt);
    int UpdateFileNameIfNeeded(char* p_text, int p_length);
    int ConvertDataIntoDescriDatEltList(CMMArray<CMMString> p_lines,
                                        CMMArray<t_upg_descri_dat_elt>& p_out);
    void FreeDescriDatData(CMMArray<CMMString>& p_lines);
    void BuildMainDescriDatFilePath(CMMString& p_out, const char* p_name, int p_length);
    int SaveMainDescriDatIntoSpecifiedList(CMMArray<CMMString>& p_lines);
    int GetUpgDescriRelativeFile(CMMString& p_relative, const char* p_name, int p_length);
    int CheckUpgDescriRelativeFile(CMMArray<t_upg_descri_dat_elt>& p_list, const char* p_name,
                                   int p_length, int* p_index);
    t_upg_plugin_type GetUpgradeType(const char* p_name, int p_length, const CMMString& p_unused);
    int SetUpgType(CMMString& p_path, t_upg_plugin_type* p_type);
    int GetUpgDVDorCDValidFileIfFound(t_upg_descri_dat_elt* p_unused);

    /* ---- Country file lists ---------------------------------------------- */
    int GetCountryListFiles(CMMArray<t_upg_descri_dat_elt>& p_list, CMMString p_file);
    int HasBinXtension(CMMString p_name);
    int XtractPath(CMMString& p_out, CMMString p_path, const char* p_marker);

    /* ---- Lookups and group validity -------------------------------------- */
    int GetUpgValidFileIfFound(CMMArray<t_upg_descri_dat_elt>& p_list, int* p_index,
                               UPG_VALID p_kind);
    int CheckGruppoValidityFile(CMMString p_cid, CMMArray<t_upg_descri_dat_elt> p_list);
    int FindCIDinPath(CMMString p_file_name, CMMString p_cid, bool& p_found);
    int GetUpgDVD_CurrVersNaviAbsolutePath();
    int CheckAndGetGruppoAbsoluteSeekingPath(const char* p_name, CMMString& p_path);
    int CheckAndGetDbDwnlAbsoluteSeekingPath(const char* p_name, CMMString& p_path);
    int CheckCIDFileinList(t_upg_plugin_type p_type, C_BCM_UPGRADE* p_bcm, CMMString p_file,
                           CMMString& p_path);

    /* ---- Logging ----------------------------------------------------------- */
    /* Arguments are pointer-sized: they carry numbers and strings alike. */
    void LogCartoTree(const char* p_format, _Vx_usr_arg_t p_a1 = 0, _Vx_usr_arg_t p_a2 = 0,
                      _Vx_usr_arg_t p_a3 = 0, _Vx_usr_arg_t p_a4 = 0, _Vx_usr_arg_t p_a5 = 0,
                      _Vx_usr_arg_t p_a6 = 0);

    /* ---- Members ----------------------------------------------------------- */
    PERIMETER m_perimeter;
    CMMString m_media_carto_drive;
    CMMString m_product_carto_path;
    CMMString m_media_root_path;
    CMMString m_map_plgin_DVD_or_CD;
    CMMString m_map_plgin_DVD_CurrVersNavi;
    t_upg_plugin_type m_upgrade_type;
    CMMArray<t_upg_descri_dat_elt> m_db_dwnl_list;
    CMMArray<t_upg_descri_dat_elt> m_gruppo_root_list;
    CMMArray<t_upg_descri_dat_elt> m_icon_brands_list;
    CMMArray<t_upg_descri_dat_elt> m_main_descri_list;
    bool m_comonfiles_copied;
    bool m_is_db_dwnl_new;
    bool m_is_gruppo_new;

  private:
    C_MAP_UPG_CARTOTREE(const C_MAP_UPG_CARTOTREE&) = delete;
    C_MAP_UPG_CARTOTREE& operator=(const C_MAP_UPG_CARTOTREE&) = delete;
};

#endif /* CARTOTREE_C_MAP_UPG_CARTOTREE_H */
