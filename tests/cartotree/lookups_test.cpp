/*
 * Lookups in the medium's descriptors: group validity of a country folder,
 * the folder that ships a country's archive, the version file and the
 * shared files.
 */
#include <string>
#include <vector>

#include <host/C_BCM_UPGRADE.h>

#include "map_unit_fixture.h"

namespace {

class LookupsTest : public MapUnitTest {
  protected:
    void SetUp() override {
        MapUnitTest::SetUp();
        m_plugin = CreatePlugin();
        ASSERT_NE(m_plugin, nullptr);
        m_tree = m_plugin->GetCartoTree();
        ASSERT_NE(m_tree, nullptr);
        host::clearSyslog();
    }

    /* Elements of a country folder's descriptor, as the scan reads them. */
    CMMArray<t_upg_descri_dat_elt> Elements(const std::string& p_descriptor) {
        WriteUnitFile("/bd0/DATA/MAPPE/TMP_DESCRI.DAT", p_descriptor);
        CMMArray<CMMString> l_lines(10, 10);
        CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
        EXPECT_EQ(m_tree->LoadDescriDataInMemory("/bd0/DATA/MAPPE/TMP_DESCRI.DAT", l_lines), 0);
        EXPECT_EQ(m_tree->ConvertDataIntoDescriDatEltList(l_lines, l_list), 0);
        return l_list;
    }

    C_MAP_UPG_PLUGIN* m_plugin = nullptr;
    C_MAP_UPG_CARTOTREE* m_tree = nullptr;
};

struct GruppoCase {
    const char* name;
    const char* descriptor;
    const char* side_file; /* unit path, nullptr: none */
    const char* content;
    int result;
    const char* message;
};

TEST_F(LookupsTest, GroupValidityOfACountryFolder) {
    const GruppoCase l_cases[] = {
        {"matching VER", "G,x,\\DATA\\MAPPE\\024\\GRUPPO_4_CID.DAT.inf,y,z\n",
         "/bd0/DATA/MAPPE/024/GRUPPO_4_CID.DAT.inf", "VER=024\n", 0,
         "Fields are the same : SourceVersion is 024 and CID is 024"},
        {"VER of another country", "G,x,\\DATA\\MAPPE\\024\\GRUPPO_4_CID.DAT.inf,y,z\n",
         "/bd0/DATA/MAPPE/024/GRUPPO_4_CID.DAT.inf", "VER=025\n", -1,
         "Fields are not the same : SourceVersion is 025 and CID is 024"},
        {"no VER key", "G,x,\\DATA\\MAPPE\\024\\GRUPPO_4_CID.DAT.inf,y,z\n",
         "/bd0/DATA/MAPPE/024/GRUPPO_4_CID.DAT.inf", "OTHER=024\n", -1, "No VER field in"},
        {"path without the identifier", "G,x,\\DATA\\MAPPE\\XYZ\\GRUPPO_4_CID.DAT.inf,y,z\n",
         "/bd0/DATA/MAPPE/XYZ/GRUPPO_4_CID.DAT.inf", "VER=024\n", -1,
         "FindCIDinPath() - p_file_name /bd0/DATA/MAPPE/XYZ/GRUPPO_4_CID.DAT.inf"},
        {"no group side file listed", "V,x,\\DATA\\MAPPE\\024\\CD_VER.NAV.INF,y,z\n", nullptr, "",
         -1, "GetUpgValidFileIfFound()  Missing file"},
        {"empty descriptor", "", nullptr, "", -1, "GetUpgValidFileIfFound()  Missing file"},
    };
    for (const GruppoCase& l_case : l_cases) {
        RemoveUnitPath("/bd0/DATA");
        host::clearSyslog();
        if (l_case.side_file != nullptr) WriteUnitFile(l_case.side_file, l_case.content);
        CMMArray<t_upg_descri_dat_elt> l_list = Elements(l_case.descriptor);
        EXPECT_EQ(m_tree->CheckGruppoValidityFile(CMMString("024"), l_list), l_case.result)
            << l_case.name;
        EXPECT_TRUE(SyslogContains(l_case.message)) << l_case.name;
        EXPECT_TRUE(SyslogContains("(C_MAP_UPG_CARTOTREE) << CheckGruppoValidityFile  >>"));
        EXPECT_EQ(SyslogContains("ERROR in (C_MAP_UPG_CARTOTREE) << CheckGruppoValidityFile  >> "),
                  l_case.result != 0)
            << l_case.name;
    }
}

TEST_F(LookupsTest, GroupValidityWithoutPlugin) {
    WriteUnitFile("/bd0/DATA/MAPPE/024/GRUPPO_4_CID.DAT.inf", "VER=024\n");
    CMMArray<t_upg_descri_dat_elt> l_list =
        Elements("G,x,\\DATA\\MAPPE\\024\\GRUPPO_4_CID.DAT.inf,y,z\n");
    C_MAP_UPG_PLUGIN* l_saved = C_MAP_UPG_PLUGIN::m_pInstance;
    C_MAP_UPG_PLUGIN::m_pInstance = nullptr;
    int l_result = m_tree->CheckGruppoValidityFile(CMMString("024"), l_list);
    C_MAP_UPG_PLUGIN::m_pInstance = l_saved;
    EXPECT_EQ(l_result, -1);
    EXPECT_TRUE(SyslogContains("XtractPath path : /bd0/DATA/MAPPE/024/"));
    EXPECT_TRUE(SyslogContains("C_MAP_UPG_PLUGIN::m_pInstance is NULL "));
}

TEST_F(LookupsTest, ValidSideFileLookupByKind) {
    CMMArray<t_upg_descri_dat_elt> l_list = Elements(
        "A,x,\\D\\X.BIN,y,z\nB,x,\\D\\GRUPPO_4_CID.DAT.inf,y,z\nC,x,\\D\\CD_VER.NAV.INF,y,z\n");
    int l_index = 7;
    EXPECT_EQ(m_tree->GetUpgValidFileIfFound(l_list, &l_index, UPG_MAP_CD_VER_NAV_FILE), 0);
    EXPECT_EQ(l_index, 2);
    EXPECT_EQ(m_tree->GetUpgValidFileIfFound(l_list, &l_index, UPG_MAP_GRUPPO_INF_FILE), 0);
    EXPECT_EQ(l_index, 1);
    l_index = 7;
    EXPECT_EQ(m_tree->GetUpgValidFileIfFound(l_list, &l_index, (UPG_VALID)0), -1);
    EXPECT_EQ(l_index, 7) << "an unknown kind leaves the index alone";
}

/* Folders of the medium: name, then the archive its descriptor lists. */
struct Folder {
    const char* name;
    const char* archive;
    bool present;
};

struct ArchiveCase {
    const char* name;
    std::vector<Folder> folders;
    int result;
    const char* folder_found; /* folder whose elements come back */
};

TEST_F(LookupsTest, FolderThatShipsACountryArchive) {
    const ArchiveCase l_cases[] = {
        {"A then B", {{"A", "039", true}, {"B", "040", true}}, 0, "B"},
        {"B then A", {{"A", "040", true}, {"B", "039", true}}, 0, "A"},
        {"listed but missing, then present", {{"A", "040", false}, {"B", "040", true}}, 0, "B"},
        {"listed but missing, after present", {{"A", "040", true}, {"B", "040", false}}, 0, "A"},
        {"only missing", {{"A", "040", false}}, -1, nullptr},
        {"folder named like the archive", {{"040.BIN", "040", true}}, -1, nullptr},
        {"no folder", {}, -1, nullptr},
    };
    for (const ArchiveCase& l_case : l_cases) {
        RemoveUnitPath("/bd0/DATA");
        MakeUnitDir("/bd0/DATA/MAPPE");
        WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT", "not a folder\n");
        for (const Folder& l_folder : l_case.folders) {
            std::string l_dir = std::string("/bd0/DATA/MAPPE/") + l_folder.name;
            std::string l_archive = std::string(l_folder.archive) + ".BIN";
            WriteUnitFile(l_dir + "/DESCRI.DAT", std::string("INF,x,\\DATA\\MAPPE\\") +
                                                     l_folder.name + "\\" + l_archive +
                                                     ".inf,y,z\nBIN,x,\\DATA\\MAPPE\\" +
                                                     l_folder.name + "\\" + l_archive + ",y,z\n");
            if (l_folder.present) {
                WriteUnitFile(l_dir + "/" + l_archive, "data");
                WriteUnitFile(l_dir + "/" + l_archive + ".inf", "SIZE=1\n");
            }
        }
        host::clearSyslog();

        CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
        EXPECT_EQ(m_tree->GetCountryListFiles(l_list, CMMString("040.BIN")), l_case.result)
            << l_case.name;
        CMMString l_path;
        EXPECT_EQ(m_tree->CheckCIDFileinList(LIST_COUNTRY, C_BCM_UPGRADE::Instance(),
                                             CMMString("040.BIN"), l_path),
                  l_case.result)
            << l_case.name;
        if (l_case.folder_found != nullptr) {
            ASSERT_EQ(l_list.GetSize(), 2) << l_case.name;
            std::string l_prefix = std::string("/DATA/MAPPE/") + l_case.folder_found + "/";
            /* The side file comes first and matches the prefix: its path is chosen. */
            EXPECT_EQ(Text(l_list.GetPtr(1)->m_relative_path), l_prefix + "040.BIN");
            EXPECT_EQ(Text(l_path), "/bd0" + l_prefix + "040.BIN.inf") << l_case.name;
        }
        if (std::string(l_case.name) == "folder named like the archive") {
            EXPECT_TRUE(SyslogContains("'040.BIN' EQUAL '040.BIN'"));
            EXPECT_FALSE(SyslogContains("fopen (/bd0//DATA/MAPPE/040.BIN/DESCRI.DAT)"));
        }
        if (l_case.folder_found != nullptr) {
            EXPECT_TRUE(SyslogContains("BuildUpgFilePath()  p_file_path = /bd0" +
                                       std::string("/DATA/MAPPE/") + l_case.folder_found +
                                       "/040.BIN.inf"))
                << l_case.name;
        }
        if (std::string(l_case.name) == "only missing") {
            EXPECT_TRUE(SyslogContains(
                "GetCountryListFiles() : Missing file = '/bd0/DATA/MAPPE/A/040.BIN.inf'"));
            EXPECT_TRUE(SyslogContains(
                "CheckCIDFileinList, : Missing file = '/bd0/DATA/MAPPE/A/040.BIN.inf'"));
        }
    }
}

TEST_F(LookupsTest, ArchiveSearchWithoutMediumFolderOrManager) {
    CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
    CMMString l_path;
    EXPECT_EQ(m_tree->GetCountryListFiles(l_list, CMMString("040.BIN")), -1);
    EXPECT_TRUE(SyslogContains("opendir (/bd0//DATA/MAPPE/) is NULL !!!"));
    EXPECT_EQ(m_tree->CheckCIDFileinList(LIST_COUNTRY, nullptr, CMMString("040.BIN"), l_path), -1);

    /* A listed archive without a manager to confirm it is not taken. */
    WriteUnitFile("/bd0/DATA/MAPPE/A/DESCRI.DAT", "BIN,x,\\DATA\\MAPPE\\A\\040.BIN,y,z\n");
    WriteUnitFile("/bd0/DATA/MAPPE/A/040.BIN", "data");
    EXPECT_EQ(m_tree->CheckCIDFileinList(LIST_COUNTRY, nullptr, CMMString("040.BIN"), l_path), -1);
    EXPECT_EQ(Text(l_path), "/bd0/DATA/MAPPE/A/040.BIN");
    host::destroyManager();
    EXPECT_EQ(m_tree->GetCountryListFiles(l_list, CMMString("040.BIN")), -1);
    EXPECT_TRUE(SyslogContains("C_BCM_UPGRADE::Instance() is NULL !!!"));
}

TEST_F(LookupsTest, VersionFileAndSharedFilesOfTheMainDescriptor) {
    EXPECT_EQ(m_tree->GetUpgDVD_CurrVersNaviAbsolutePath(), -1) << "main descriptor not read";

    WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT",
                  "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n"
                  "CURR_VERS_NAVI,x,\\DATA\\MAPPE\\CURR_VERS_NAVI.TXT,y,z\n"
                  "GRUPPO_ROOT,x,\\DATA\\MAPPE\\GRUPPO_4_CID.DAT,y,z\n"
                  "DB_DOWNLOAD,x,\\DATA\\MAPPE\\DB_DOWNLOAD.OUT,y,z\n");
    WriteUnitFile("/bd0/DATA/CD_VER.NAV", "x");
    host::clearSyslog();
    EXPECT_EQ(m_plugin->GetUpgradeType(), MODULE_COUNTRY);
    EXPECT_TRUE(SyslogContains(
        "GetUpgDVDorCDValidFileIfFound()  m_map_plgin_DVD_or_CD: /bd0/DATA/CD_VER.NAV \n"));

    EXPECT_EQ(m_tree->GetUpgDVD_CurrVersNaviAbsolutePath(), 0);
    EXPECT_EQ(Text(m_tree->GetMapPlgin_DVD_CurrVersNavi()), "/bd0/DATA/MAPPE/CURR_VERS_NAVI.TXT");
    EXPECT_TRUE(
        SyslogContains("GetUpgDVD_CurrVersNaviAbsolutePath()   m_map_plgin_DVD_or_CD: "
                       "/bd0/DATA/MAPPE/CURR_VERS_NAVI.TXT"));

    CMMString l_path("untouched");
    EXPECT_EQ(m_tree->CheckAndGetGruppoAbsoluteSeekingPath("GRUPPO_4_CID.DAT", l_path), 0);
    EXPECT_EQ(Text(l_path), "/bd0/DATA/MAPPE/GRUPPO_4_CID.DAT");
    EXPECT_EQ(m_tree->CheckAndGetDbDwnlAbsoluteSeekingPath("DB_DOWNLOAD", l_path), 0);
    EXPECT_EQ(Text(l_path), "/bd0/DATA/MAPPE/DB_DOWNLOAD.OUT");
    /* None of these builds its path through the logging path builder. */
    EXPECT_FALSE(SyslogContains("p_file_path"));
    l_path = "untouched";
    EXPECT_EQ(m_tree->CheckAndGetDbDwnlAbsoluteSeekingPath("GRUPPO_4_CID.DAT", l_path), -1);
    EXPECT_EQ(m_tree->CheckAndGetGruppoAbsoluteSeekingPath(nullptr, l_path), -1);
    EXPECT_EQ(Text(l_path), "untouched");
}

}  // namespace
