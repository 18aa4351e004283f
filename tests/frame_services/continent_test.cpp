#include "unit_fixture.h"

namespace {

/* No version file in folder 031. */
const char* const NO_FILE = nullptr;

struct ContinentCase {
    const char* label;
    std::vector<std::string> folders;
    const char* cd_name; /* CD_NAME of 031/CD_VER.NAV.inf, or NO_FILE */
    int expected;
};

const ContinentCase CONTINENT_CASES[] = {
    {"none", {}, NO_FILE, 0},
    {"first row wins over later rows", {"007", "001"}, NO_FILE, 1},
    {"last folder of row 1", {"024"}, NO_FILE, 1},
    {"row 2", {"026"}, NO_FILE, 2},
    {"row 3", {"028"}, NO_FILE, 3},
    {"row 4", {"029"}, NO_FILE, 4},
    {"row 5", {"032"}, NO_FILE, 5},
    {"row 6", {"030"}, NO_FILE, 6},
    {"row 7", {"017"}, NO_FILE, 7},
    {"row 8", {"023"}, NO_FILE, 8},
    {"row 9", {"027"}, NO_FILE, 9},
    {"row 10", {"034"}, NO_FILE, 10},
    {"row 11", {"036"}, NO_FILE, 11},
    {"row 12 before 031", {"039", "031"}, "CHILE", 12},
    {"row 14", {"035"}, NO_FILE, 14},
    {"row 15", {"037"}, NO_FILE, 15},
    {"row 16", {"038"}, NO_FILE, 16},
    {"row 17", {"033"}, NO_FILE, 17},
    {"035 searched before 033", {"033", "035"}, NO_FILE, 14},
    {"unknown folders never count", {"011", "040", "099"}, NO_FILE, 0},
    {"031 CHILE", {"031"}, "CHILE", 4},
    {"031 other name", {"031"}, "ARGENTINA", 13},
    {"031 name compared with case", {"031"}, "Chile", 13},
    {"031 without version file", {"031"}, NO_FILE, 0},
    {"031 ends the search (CHILE)", {"031", "035"}, "CHILE", 4},
    {"031 ends the search (other)", {"031", "035"}, "MEXICO", 13},
    {"031 ends the search (no file)", {"031", "035"}, NO_FILE, 0},
};

class ContinentTest : public UnitTest, public ::testing::WithParamInterface<ContinentCase> {
  protected:
    void Populate(const std::string& p_mappe) {
        const ContinentCase& l_case = GetParam();
        for (const std::string& l_folder : l_case.folders) MakeUnitDir(p_mappe + l_folder);
        if (l_case.cd_name != NO_FILE) {
            WriteUnitFile(p_mappe + "031/CD_VER.NAV.inf",
                          std::string("CD_NAME=") + l_case.cd_name + "\n");
        }
    }
};

TEST_P(ContinentTest, MediaContinent) {
    Populate("/bd0/DATA/MAPPE/");
    EXPECT_EQ(m_plugin->GetMediaContinent(), GetParam().expected);
    EXPECT_TRUE(host::syslogContains("(C_UPG_PLUGIN_Interface) << GetMediaContinent + >>"));
}

TEST_P(ContinentTest, InstalledContinent) {
    Populate("/sdhc:0/MAPPE/");
    EXPECT_EQ(m_plugin->GetInstalledContinent(), GetParam().expected);
    EXPECT_TRUE(host::syslogContains("(C_UPG_PLUGIN_Interface) << GetInstalledContinent + >>"));
}

INSTANTIATE_TEST_SUITE_P(Table, ContinentTest, ::testing::ValuesIn(CONTINENT_CASES),
                         [](const ::testing::TestParamInfo<ContinentCase>& p_info) {
                             std::string l_name = p_info.param.label;
                             for (char& l_char : l_name) {
                                 if (!isalnum(static_cast<unsigned char>(l_char))) l_char = '_';
                             }
                             return l_name;
                         });

using ContinentLogTest = UnitTest;

TEST_F(ContinentLogTest, ClosingLineOnlyWhenNothingFound) {
    EXPECT_EQ(m_plugin->GetMediaContinent(), 0);
    EXPECT_TRUE(host::syslogContains("(C_UPG_PLUGIN_Interface) << GetMediaContinent - >>"));

    host::clearSyslog();
    MakeUnitDir("/bd0/DATA/MAPPE/001");
    EXPECT_EQ(m_plugin->GetMediaContinent(), 1);
    EXPECT_FALSE(host::syslogContains("GetMediaContinent - >>"));
}

TEST_F(ContinentLogTest, UnreadableVersionFileIsLoggedPerSide) {
    MakeUnitDir("/bd0/DATA/MAPPE/031");
    MakeUnitDir("/sdhc:0/MAPPE/031");
    EXPECT_EQ(m_plugin->GetMediaContinent(), 0);
    EXPECT_EQ(m_plugin->GetInstalledContinent(), 0);
    EXPECT_TRUE(host::syslogContains(
        "(C_UPG_PLUGIN_Interface) << GetMediaContinent: GetValueInFile returns Error >>"));
    EXPECT_TRUE(host::syslogContains(
        "(C_UPG_PLUGIN_Interface) << GetInstalledContinent: GetValueInFile returns Error >>"));
}

TEST_F(ContinentLogTest, WithoutManagerFolder031GivesNone) {
    WriteUnitFile("/bd0/DATA/MAPPE/031/CD_VER.NAV.inf", "CD_NAME=CHILE\n");
    MakeUnitDir("/bd0/DATA/MAPPE/035");
    m_plugin->m_bcm = nullptr;
    EXPECT_EQ(m_plugin->GetMediaContinent(), 0);
}

TEST_F(ContinentLogTest, CardWithoutCartographyDirectoryGivesNone) {
    MakeUnitDir("/sdhc:0/MAPPE/001");
    host::setCartographyDirResult(-1);
    EXPECT_EQ(m_plugin->GetInstalledContinent(), 0);
    EXPECT_TRUE(host::syslogContains("(C_UPG_PLUGIN_Interface) << GetInstalledContinent - >>"));
}

TEST_F(ContinentLogTest, CardFollowsTheCartographyDirectory) {
    MakeUnitDir("/sdhc:0/CARTO/MAPPE/025");
    MakeUnitDir("/sdhc:0/MAPPE/001");
    host::setCartographyDir("/sdhc:0/CARTO/");
    EXPECT_EQ(m_plugin->GetInstalledContinent(), 2);
}

}  // namespace
