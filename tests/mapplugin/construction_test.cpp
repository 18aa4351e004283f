/*
 * Construction of the map plugin: the decision to delete the whole
 * cartography, the singleton, the fixed answers and the upgrade type.
 */
#include <string>
#include <vector>

#include "map_unit_fixture.h"

namespace {

class ConstructionTest : public MapUnitTest {};

struct FormatCase {
    const char* name;
    std::vector<const char*> card;   /* folders under "/sdhc:0/MAPPE/" */
    std::vector<const char*> medium; /* folders under "/bd0/DATA/MAPPE/" */
    bool format_needed;
    int installed;
    int media;
    const char* message;
};

TEST_F(ConstructionTest, FormatDecisionFromContinents) {
    const FormatCase l_cases[] = {
        {"same continent, European upgrade",
         {"001"},
         {"002"},
         false,
         1,
         1,
         "No need to format the SD : European upgrade"},
        {"different continent",
         {"001"},
         {"025"},
         true,
         1,
         2,
         "Continent on Media and on target different!!! format needed"},
        {"medium without continent",
         {"001"},
         {"011"},
         true,
         1,
         0,
         "Continent on Media and on target different!!! format needed"},
        {"no continent on the card", {}, {"001"}, true, 0, 0, "No continent on the target "},
        {"024 on the medium only",
         {"001"},
         {"001", "024"},
         true,
         1,
         1,
         "Turkey upgrade without previous datas!! need to format the SD!!"},
        {"024 on both", {"024"}, {"001", "024"}, false, 1, 1, "No need to format the SD"},
    };
    for (const FormatCase& l_case : l_cases) {
        RemoveUnitPath("/sdhc:0/MAPPE");
        RemoveUnitPath("/bd0/DATA");
        for (const char* l_folder : l_case.card)
            MakeUnitDir(std::string("/sdhc:0/MAPPE/") + l_folder);
        for (const char* l_folder : l_case.medium)
            MakeUnitDir(std::string("/bd0/DATA/MAPPE/") + l_folder);
        host::clearSyslog();
        C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
        ASSERT_NE(l_plugin, nullptr);
        EXPECT_EQ(l_plugin->m_format_needed, l_case.format_needed) << l_case.name;
        EXPECT_EQ(l_plugin->m_installed_continent, l_case.installed) << l_case.name;
        EXPECT_EQ(l_plugin->m_media_continent, l_case.media) << l_case.name;
        EXPECT_TRUE(SyslogContains(l_case.message)) << l_case.name;
        EXPECT_TRUE(l_plugin->m_logs_started);
        EXPECT_EQ(Text(l_plugin->GetSD_DeviceName()), "/sdhc:0/");
        DestroyPlugin();
    }
}

TEST_F(ConstructionTest, CardDirectoryThatCannotBeOpenedDecidesNothing) {
    MakeUnitDir("/bd0/DATA/MAPPE/024");
    host::setCartographyDir("/sdhc:0/missing/");
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    EXPECT_FALSE(l_plugin->m_format_needed);
    EXPECT_EQ(l_plugin->m_installed_continent, 0);
    EXPECT_FALSE(SyslogContains("No continent on the target"));
    EXPECT_EQ(Text(l_plugin->GetSD_DeviceName()), "/sdhc:0/missing/");
}

TEST_F(ConstructionTest, TurkeyRuleWhenTheStorageServiceFails) {
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    MakeUnitDir("/sdhc:0/MAPPE/024");
    EXPECT_EQ(l_plugin->IsMappeNeedToBeFormattedDueToTurkey(), 0);
    host::setCartographyDirResult(-1);
    EXPECT_EQ(l_plugin->IsMappeNeedToBeFormattedDueToTurkey(), 1);
    EXPECT_TRUE(
        SyslogContains("IsMappeNeedToBeFormattedDueToTurkey: Error to Get Cartography Directory"));
}

TEST_F(ConstructionTest, InitialStateAndFixedAnswers) {
    host::setClock(9, 2, 7, 14, 5);
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    EXPECT_EQ(l_plugin->m_plugin_type, 0);
    EXPECT_EQ(l_plugin->m_plugin_partition_block_size, 0);
    EXPECT_TRUE(l_plugin->m_gruppo_valid);
    EXPECT_FALSE(l_plugin->m_user_cancel);
    EXPECT_EQ(l_plugin->GetNumberOfCIDIntoTheList(), 0);
    EXPECT_NE(l_plugin->GetCartoTree(), nullptr);
    EXPECT_EQ(Text(l_plugin->GetCartoTree()->GetMediaCartoDrive()), "/bd0");
    EXPECT_TRUE(SyslogContains("(C_MAP_UPGRADE_PLUGIN) Time : 14:05"));
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) << Constructor - >>"));

    EXPECT_EQ(l_plugin->GetVersionOfInterface(), 6);
    EXPECT_EQ(l_plugin->GetVersionOfPlugin(), 100);
    EXPECT_EQ(l_plugin->EndOfExternalTreatment(), 0);
    EXPECT_EQ(l_plugin->ShowStatus(), 0);

    /* A second call with another root gets the same object. */
    EXPECT_EQ(upgplugin_GetInstance(CMMString("/other/")), l_plugin);
    EXPECT_EQ(Text(l_plugin->m_upgrade_root_path), "/bd0/");

    DestroyPlugin();
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) << Destructor - >>"));
    EXPECT_EQ(C_MAP_UPG_PLUGIN::m_pInstance, nullptr);
}

TEST_F(ConstructionTest, UpgradeTypeIsReadOnceAndKept) {
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    EXPECT_EQ(l_plugin->GetUpgradeType(), 0) << "no main descriptor yet";

    WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT", "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n");
    WriteUnitFile("/bd0/DATA/CD_VER.NAV", "x");
    EXPECT_EQ(l_plugin->GetUpgradeType(), MODULE_COUNTRY);
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN)  GetUpgradeType() UpgradeType = 0x00010001"));

    RemoveUnitPath("/bd0/DATA");
    host::clearSyslog();
    EXPECT_EQ(l_plugin->GetUpgradeType(), MODULE_COUNTRY);
    EXPECT_FALSE(SyslogContains("Call C_MAP_UPG_CARTOTREE::GetUpgradeType"));
    EXPECT_EQ(l_plugin->GetNumberOfInfos(), 1);
}

TEST_F(ConstructionTest, StatusDump) {
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(l_plugin->ShowStatus(), 0);
    std::string l_empty = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        l_empty.find("- m_plugin_type = 0x00000000\n- m_monitor_space_continue = 0\n- "
                     "m_free_space_before_upgrade = 0.000000\n\n- m_cid_list.GetSize() = 0\n"),
        std::string::npos)
        << l_empty;
    EXPECT_EQ(l_empty.find("- CID:"), std::string::npos);

    t_plugin_cid_element l_cid;
    l_cid.s_cid = "024";
    l_cid.s_name = "TURKEY";
    l_cid.s_quarter = "2";
    l_cid.s_year = "2009";
    l_cid.s_version = "5";
    l_cid.s_release = "1";
    l_cid.s_old_version = "4";
    l_cid.s_old_release = "9";
    l_cid.ll_size = 5000000000LL;
    l_cid.ll_old_size = 12;
    l_plugin->m_cid_list.Add(l_cid);
    testing::internal::CaptureStdout();
    EXPECT_EQ(l_plugin->ShowStatus(), 0);
    std::string l_one = testing::internal::GetCapturedStdout();
    EXPECT_NE(l_one.find("- CID:024 (TURKEY) :   On media => Q2-2009 - V5.1 - "
                         "Size:5000000000.000000\n  On product => V4.9 - Size:12.000000\n"),
              std::string::npos)
        << l_one;
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) << ShowStatus - >>"));
}

/* Only the registered plugin clears the singleton when it goes. */
TEST_F(ConstructionTest, AStrayPluginLeavesTheSingleton) {
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    C_MAP_UPG_PLUGIN* l_stray = new C_MAP_UPG_PLUGIN(CMMString("/bd0/"));
    l_stray->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP);
    delete l_stray;
    EXPECT_EQ(C_MAP_UPG_PLUGIN::m_pInstance, l_plugin);
}

}  // namespace
