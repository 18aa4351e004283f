/*
 * Descriptor files: reading, cutting into columns, sorting the main
 * descriptor into kind lists, and the upgrade type of the medium.
 */
#include <string>
#include <vector>

#include "map_unit_fixture.h"

namespace {

class DescriptorTest : public MapUnitTest {
  protected:
    void SetUp() override {
        MapUnitTest::SetUp();
        /* The tree logs into the plugin's step log, which also feeds the system log. */
        ASSERT_NE(CreatePlugin(), nullptr);
        host::clearSyslog();
        CMMString l_carto("/sdhc:0/");
        m_tree.reset(new C_MAP_UPG_CARTOTREE(PERIMETER_3, CMMString("/bd0/"), l_carto));
    }
    void TearDown() override {
        m_tree.reset();
        MapUnitTest::TearDown();
    }

    std::vector<std::string> Load(const std::string& p_content, int* p_result = nullptr) {
        WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT", p_content);
        CMMArray<CMMString> l_lines(10, 10);
        int l_result = m_tree->LoadDescriDataInMemory("/bd0/DATA/MAPPE/DESCRI.DAT", l_lines);
        if (p_result != nullptr) *p_result = l_result;
        std::vector<std::string> l_out;
        for (int i = 0; i < l_lines.GetSize(); i++) l_out.push_back(Text(*l_lines.GetPtr(i)));
        return l_out;
    }

    static std::vector<std::string> Columns(const t_upg_descri_dat_elt& p_elt) {
        return {Text(p_elt.m_kind), Text(p_elt.m_column1), Text(p_elt.m_relative_path),
                Text(p_elt.m_column3), Text(p_elt.m_column4)};
    }

    static CMMArray<CMMString> Lines(const std::vector<std::string>& p_lines) {
        CMMArray<CMMString> l_out(10, 10);
        for (const std::string& l_line : p_lines) l_out.Add(CMMString(l_line.c_str()));
        return l_out;
    }

    std::unique_ptr<C_MAP_UPG_CARTOTREE> m_tree;
};

struct CutCase {
    const char* line;
    std::vector<std::string> columns; /* "old" marks a column the line leaves unassigned */
};

TEST_F(DescriptorTest, CutsALineIntoFiveColumns) {
    const CutCase l_cases[] = {
        {"A,B,C,D,E\n", {"A", "B", "C", "D", "E\n"}},
        {"A,B,C\n", {"A", "B", "old", "old", "C\n"}},
        {"no comma\n", {"old", "old", "old", "old", "no comma\n"}},
        {"A,B,C,D,E,F,G\n", {"A", "B", "C", "D", "E"}},
        {",,,,\n", {"", "", "", "", "\n"}},
        {"A,B,C,D\r\n", {"A", "B", "C", "old", "D\r\n"}},
        {"", {"old", "old", "old", "old", ""}},
    };
    for (const CutCase& l_case : l_cases) {
        t_upg_descri_dat_elt l_elt;
        l_elt.m_kind = "old";
        l_elt.m_column1 = "old";
        l_elt.m_relative_path = "old";
        l_elt.m_column3 = "old";
        l_elt.m_column4 = "old";
        CMMString l_line(l_case.line);
        EXPECT_EQ(m_tree->GetUniqueDescriDatInfo(l_line, &l_elt), 0);
        EXPECT_EQ(Columns(l_elt), l_case.columns) << l_case.line;
    }
}

TEST_F(DescriptorTest, ReadsLinesInPiecesAndKeepsTheirEnds) {
    std::string l_long(1000, 'x');
    int l_result = -1;
    std::vector<std::string> l_lines =
        Load("A,B,C,D,E\r\n" + l_long + "\nlast,line,no,end", &l_result);
    EXPECT_EQ(l_result, 0);
    std::vector<std::string> l_expected = {"A,B,C,D,E\r\n",       std::string(249, 'x'),
                                           std::string(249, 'x'), std::string(249, 'x'),
                                           std::string(249, 'x'), "xxxx\n",
                                           "last,line,no,end"};
    EXPECT_EQ(l_lines, l_expected);
}

TEST_F(DescriptorTest, MissingOrEmptyDescriptor) {
    CMMArray<CMMString> l_lines(10, 10);
    EXPECT_EQ(m_tree->LoadDescriDataInMemory("/bd0/DATA/MAPPE/NONE.DAT", l_lines), -1);
    EXPECT_TRUE(
        SyslogContains("LoadDescriDataInMemory(),  fopen (/bd0/DATA/MAPPE/NONE.DAT) return NULL"))
        << "messages go to the system log only through the plugin";
    EXPECT_EQ(m_tree->LoadDescriDataInMemory(nullptr, l_lines), -1);
    int l_result = -1;
    EXPECT_TRUE(Load("", &l_result).empty());
    EXPECT_EQ(l_result, 0);
}

TEST_F(DescriptorTest, ConvertsEachLineIntoAFreshElementWithSlashes) {
    CMMArray<t_upg_descri_dat_elt> l_out(10, 10);
    ASSERT_EQ(m_tree->ConvertDataIntoDescriDatEltList(
                  Lines({"T,x,\\DATA\\MAPPE\\040\\040.BIN,y,z\n", "A,B,C\n"}), l_out),
              0);
    ASSERT_EQ(l_out.GetSize(), 2);
    EXPECT_EQ(Columns(*l_out.GetPtr(0)),
              (std::vector<std::string>{"T", "x", "/DATA/MAPPE/040/040.BIN", "y", "z\n"}));
    EXPECT_EQ(Columns(*l_out.GetPtr(1)), (std::vector<std::string>{"A", "B", "", "", "C\n"}));

    char l_text[] = "\\a\\b\\c";
    EXPECT_EQ(m_tree->UpdateFileNameIfNeeded(l_text, 3), 0);
    EXPECT_STREQ(l_text, "/a/b\\c");
    EXPECT_EQ(m_tree->UpdateFileNameIfNeeded(nullptr, 3), -1);
}

TEST_F(DescriptorTest, SortsTheMainDescriptorByKindPrefix) {
    CMMArray<CMMString> l_lines = Lines({
        "DB_DOWNLOAD,x,\\DATA\\db.out,y,z\n",
        "GRUPPO_ROOT,x,\\DATA\\G.DAT,y,z\n",
        "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n",
        "DB_DOWNLOAD_2,x,\\DATA\\db2.out,y,z\n",
        "db_download,x,\\DATA\\db3.out,y,z\n",
        "ICON_BRANDS,x,\\DATA\\ICON,y,z\n",
    });
    ASSERT_EQ(m_tree->SaveMainDescriDatIntoSpecifiedList(l_lines), 0);
    EXPECT_EQ(m_tree->m_main_descri_list.GetSize(), 6);
    ASSERT_EQ(m_tree->m_db_dwnl_list.GetSize(), 2);
    EXPECT_EQ(Text(m_tree->m_db_dwnl_list.GetPtr(0)->m_relative_path), "/DATA/db.out");
    EXPECT_EQ(Text(m_tree->m_db_dwnl_list.GetPtr(1)->m_relative_path), "/DATA/db2.out");
    ASSERT_EQ(m_tree->m_gruppo_root_list.GetSize(), 1);
    EXPECT_EQ(Text(m_tree->m_gruppo_root_list.GetPtr(0)->m_relative_path), "/DATA/G.DAT");
    ASSERT_EQ(m_tree->m_icon_brands_list.GetSize(), 1);
    EXPECT_EQ(Text(m_tree->m_main_descri_list.GetPtr(2)->m_relative_path), "/DATA/CD_VER.NAV");

    /* Each call appends. */
    ASSERT_EQ(m_tree->SaveMainDescriDatIntoSpecifiedList(l_lines), 0);
    EXPECT_EQ(m_tree->m_main_descri_list.GetSize(), 12);
    EXPECT_EQ(m_tree->m_db_dwnl_list.GetSize(), 4);
}

TEST_F(DescriptorTest, MainDescriptorLinesKeepThePreviousLinesColumns) {
    CMMArray<CMMString> l_lines = Lines({"T,x,\\P\\F,y,z\n", "A,B,C\n", "lonely\n"});
    ASSERT_EQ(m_tree->SaveMainDescriDatIntoSpecifiedList(l_lines), 0);
    ASSERT_EQ(m_tree->m_main_descri_list.GetSize(), 3);
    EXPECT_EQ(Columns(*m_tree->m_main_descri_list.GetPtr(1)),
              (std::vector<std::string>{"A", "B", "/P/F", "y", "C\n"}));
    EXPECT_EQ(Columns(*m_tree->m_main_descri_list.GetPtr(2)),
              (std::vector<std::string>{"A", "B", "/P/F", "y", "lonely\n"}));
}

TEST_F(DescriptorTest, FileNamePrefixLookup) {
    CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
    int l_index = 42;
    EXPECT_EQ(m_tree->CheckUpgDescriRelativeFile(l_list, "X", 1, &l_index), -1);
    EXPECT_EQ(l_index, 42) << "an empty list leaves the index alone";

    ASSERT_EQ(m_tree->ConvertDataIntoDescriDatEltList(
                  Lines({"A,x,NOSLASH.NAV,y,z\n", "B,x,\\D\\DVD_VER.NAV.INF,y,z\n",
                         "C,x,\\D\\DVD_VER.NAV,y,z\n"}),
                  l_list),
              0);
    EXPECT_EQ(m_tree->CheckUpgDescriRelativeFile(l_list, "DVD_VER.NAV", 11, &l_index), 0);
    EXPECT_EQ(l_index, 1) << "prefix match: the side file comes first";
    EXPECT_EQ(m_tree->CheckUpgDescriRelativeFile(l_list, "NOSLASH", 7, &l_index), -1);
    EXPECT_EQ(l_index, -1);
}

TEST_F(DescriptorTest, PathHelpers) {
    struct {
        const char* root;
        const char* drive;
        const char* main_descriptor;
    } const l_roots[] = {
        {"/bd0/", "/bd0", "/bd0//DATA/MAPPE/DESCRI.DAT"},
        {"/bd0/UPG", "/bd0", "/bd0/UPG/DATA/MAPPE/DESCRI.DAT"},
        {"/bd0", "", "/bd0/DATA/MAPPE/DESCRI.DAT"},
    };
    for (const auto& l_root : l_roots) {
        CMMString l_carto("/sdhc:0/");
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3, CMMString(l_root.root), l_carto);
        EXPECT_EQ(Text(l_tree.GetMediaCartoDrive()), l_root.drive) << l_root.root;
        CMMString l_path;
        l_tree.BuildMainDescriDatFilePath(l_path, "DATA/MAPPE/DESCRI.DAT", 21);
        EXPECT_EQ(Text(l_path), l_root.main_descriptor);
    }

    CMMString l_name("keep");
    EXPECT_EQ(m_tree->XtractFile(CMMString("/a/b/c.BIN"), l_name), 0);
    EXPECT_EQ(Text(l_name), "c.BIN");
    EXPECT_EQ(m_tree->XtractFile(CMMString("c.BIN"), l_name), -1);
    EXPECT_EQ(Text(l_name), "c.BIN");

    const std::pair<const char*, int> l_names[] = {{"040.BIN", 1},  {"040.bin", 1}, {"a.b.Bin", 1},
                                                   {"040.BINX", 1}, {"040.TXT", 0}, {"BIN", 0},
                                                   {"040", 0},      {".BI", 0}};
    for (const auto& l_case : l_names) {
        EXPECT_EQ(m_tree->HasBinXtension(CMMString(l_case.first)), l_case.second) << l_case.first;
    }

    CMMString l_out("keep");
    EXPECT_EQ(m_tree->XtractPath(l_out, CMMString("/bd0/DATA/MAPPE/x"), "/DATA"), 0);
    EXPECT_EQ(Text(l_out), "/bd0");
    EXPECT_EQ(m_tree->XtractPath(l_out, CMMString("/bd0/x"), "/NOPE"), -1);
    EXPECT_EQ(m_tree->XtractPath(l_out, CMMString("/bd0/x"), nullptr), -1);
    EXPECT_EQ(Text(l_out), "/bd0");

    WriteUnitFile("/bd0/file", "x");
    EXPECT_EQ(m_tree->IsExistFile(CMMString("/bd0/file")), 1);
    EXPECT_EQ(m_tree->IsExistFile(CMMString("/bd0/none")), 0);
    EXPECT_EQ(m_tree->CheckIfDirectoryExist(CMMString("/bd0/")), 1);
    EXPECT_EQ(m_tree->CheckIfDirectoryExist(CMMString("/bd0/none")), 0);
}

struct TypeCase {
    const char* name;
    const char* descriptor; /* nullptr: no main descriptor at all */
    std::vector<const char*> files;
    t_upg_plugin_type type;
    const char* version_file;
};

TEST_F(DescriptorTest, UpgradeTypeFromTheListedVersionFile) {
    const TypeCase l_cases[] = {
        {"cd ver",
         "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n",
         {"/bd0/DATA/CD_VER.NAV"},
         MODULE_COUNTRY,
         "/bd0/DATA/CD_VER.NAV"},
        {"dvd ver wins",
         "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\nDVD_VER,x,\\DATA\\DVD_VER.NAV,y,z\n",
         {"/bd0/DATA/CD_VER.NAV", "/bd0/DATA/DVD_VER.NAV"},
         LIST_COUNTRY,
         "/bd0/DATA/DVD_VER.NAV"},
        {"prefix match",
         "DVD_VER,x,\\DATA\\DVD_VER.NAVX,y,z\n",
         {"/bd0/DATA/DVD_VER.NAVX"},
         LIST_COUNTRY,
         "/bd0/DATA/DVD_VER.NAVX"},
        {"version file missing",
         "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n",
         {},
         NONE,
         "/bd0/DATA/CD_VER.NAV"},
        {"no version file listed",
         "OTHER,x,\\DATA\\OTHER.TXT,y,z\n",
         {"/bd0/DATA/OTHER.TXT"},
         NONE,
         ""},
        {"path without separator", "CD_VER,x,CD_VER.NAV,y,z\n", {"/bd0/CD_VER.NAV"}, NONE, ""},
        {"empty descriptor", "", {}, NONE, ""},
        {"no descriptor", nullptr, {}, NONE, ""},
        {"lines without commas", "just words\nmore words", {}, NONE, ""},
    };
    for (const TypeCase& l_case : l_cases) {
        RemoveUnitPath("/bd0/DATA");
        host::clearSyslog();
        if (l_case.descriptor != nullptr) {
            WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT", l_case.descriptor);
        }
        for (const char* l_file : l_case.files) WriteUnitFile(l_file, "x");
        CMMString l_carto("/sdhc:0/");
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3, CMMString("/bd0/"), l_carto);
        EXPECT_EQ(l_tree.GetUpgradeType("DATA/MAPPE/DESCRI.DAT", 21, CMMString()), l_case.type)
            << l_case.name;
        EXPECT_EQ(l_tree.m_upgrade_type, l_case.type) << l_case.name;
        EXPECT_EQ(Text(l_tree.GetMapPlginDVDorCDfilePath()), l_case.version_file) << l_case.name;
    }

    CMMString l_carto("/sdhc:0/");
    C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3, CMMString("/bd0/"), l_carto);
    EXPECT_EQ(l_tree.GetUpgradeType(nullptr, 21, CMMString()), NONE);

    t_upg_plugin_type l_type = MODULE_COUNTRY;
    CMMString l_path("/x/OTHER.NAV");
    EXPECT_EQ(l_tree.SetUpgType(l_path, &l_type), 0);
    EXPECT_EQ(l_type, MODULE_COUNTRY) << "an unknown name leaves the type";
    l_path = "NOSLASH";
    EXPECT_EQ(l_tree.SetUpgType(l_path, &l_type), -1);
}

TEST_F(DescriptorTest, OneArgumentConstructorHasEmptyPaths) {
    C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3);
    EXPECT_EQ(Text(l_tree.GetMediaCartoDrive()), "");
    EXPECT_EQ(Text(l_tree.GetProductCartoPath()), "");
    EXPECT_EQ(l_tree.m_upgrade_type, NONE);
    EXPECT_FALSE(l_tree.GetIsDbDwnlNew());
    EXPECT_FALSE(l_tree.GetIsGruppoNew());
    EXPECT_FALSE(l_tree.m_comonfiles_copied);
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_CARTOTREE) << Constructor + [1 arg]>>"));
}

}  // namespace
