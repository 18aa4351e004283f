/*
 * The host's view of the country list: count, index, getters and the
 * user's selection.
 */
#include <string>

#include "map_unit_fixture.h"

namespace {

class CidListTest : public MapUnitTest {
  protected:
    void SetUp() override {
        MapUnitTest::SetUp();
        m_plugin = CreatePlugin();
        ASSERT_NE(m_plugin, nullptr);
    }

    void AddEntry(const char* p_cid, const char* p_name, const char* p_old_version) {
        t_plugin_cid_element l_cid;
        l_cid.s_cid = p_cid;
        l_cid.s_name = p_name;
        l_cid.s_version = "5";
        l_cid.s_release = "2";
        l_cid.s_old_version = p_old_version;
        l_cid.ll_size = 1000;
        l_cid.ll_old_size = 10;
        m_plugin->m_cid_list.Add(l_cid);
        m_plugin->SetNumberOfCidOnMedia(m_plugin->GetNumberOfCidOnMedia() + 1);
    }

    C_MAP_UPG_PLUGIN* m_plugin = nullptr;
};

TEST_F(CidListTest, NumberOfInfosByType) {
    AddEntry("024", "TURKEY", "4");
    AddEntry("031", "CHILE", "");
    const std::pair<int, int> l_cases[] = {
        {NONE, -1}, {MODULE_COUNTRY, 1}, {LIST_COUNTRY, 2}, {0x30001, -1}};
    for (const auto& l_case : l_cases) {
        m_plugin->m_plugin_type = l_case.first;
        EXPECT_EQ(m_plugin->GetNumberOfInfos(), l_case.second) << l_case.first;
    }
}

TEST_F(CidListTest, GettersReadTheChosenEntry) {
    AddEntry("024", "TURKEY", "4");
    AddEntry("031", "100% CHILE", "");
    CMMString l_text;

    m_plugin->SetIndexOfInfos(-3);
    EXPECT_EQ(m_plugin->GetUpgradeName(l_text), 0);
    EXPECT_EQ(Text(l_text), "TURKEY");
    m_plugin->GetOldVersionOfData(l_text);
    EXPECT_EQ(Text(l_text), "4.");

    m_plugin->SetIndexOfInfos(1);
    m_plugin->GetUpgradeName(l_text);
    EXPECT_EQ(Text(l_text), "100% CHILE");
    m_plugin->GetIdentifier(l_text);
    EXPECT_EQ(Text(l_text), "031");
    m_plugin->GetVersionOfData(l_text);
    EXPECT_EQ(Text(l_text), "5.2");
    m_plugin->GetOldVersionOfData(l_text);
    EXPECT_EQ(Text(l_text), ".");
    EXPECT_EQ(m_plugin->GetSizeOfData(), 1000);
    EXPECT_EQ(m_plugin->GetOldSizeOfData(), 10);

    /* An index equal to the count, or beyond, reads no entry. */
    for (int l_index : {2, 9}) {
        m_plugin->SetIndexOfInfos(l_index);
        l_text = "stale";
        EXPECT_EQ(m_plugin->GetUpgradeName(l_text), 0);
        EXPECT_EQ(Text(l_text), "");
        l_text = "stale";
        m_plugin->GetVersionOfData(l_text);
        EXPECT_EQ(Text(l_text), "");
        EXPECT_EQ(m_plugin->GetSizeOfData(), 0);
        EXPECT_EQ(m_plugin->GetOldSizeOfData(), 0);
    }
    EXPECT_EQ(m_plugin->m_index_of_infos, 2);

    EXPECT_EQ(m_plugin->GetCIDElement(-1), nullptr);
    EXPECT_EQ(m_plugin->GetCIDElement(2), nullptr);
    ASSERT_NE(m_plugin->GetCIDElement(1), nullptr);
    EXPECT_EQ(Text(m_plugin->GetCIDElement(1)->s_cid), "031");
    EXPECT_EQ(m_plugin->ShowStatus(), 0);
}

TEST_F(CidListTest, SelectionByIdentifier) {
    AddEntry("024", "TURKEY", "4");
    AddEntry("024", "TURKEY AGAIN", "4");
    AddEntry("031", "CHILE", "");

    m_plugin->PushElements("Turkey", 5, "0241");
    m_plugin->PushElements("Nowhere", 1, "999");
    EXPECT_EQ(m_plugin->GetNumberOfCountriesToUpgrade(), 2);
    EXPECT_TRUE(m_plugin->GetCIDElement(0)->b_selected);
    EXPECT_FALSE(m_plugin->GetCIDElement(1)->b_selected) << "only the first of two entries";
    EXPECT_FALSE(m_plugin->GetCIDElement(2)->b_selected);
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) PushElements : CID  = 0241"));

    m_plugin->ResetElementsToUpgrade();
    EXPECT_EQ(m_plugin->GetNumberOfCountriesToUpgrade(), 0);
    EXPECT_FALSE(m_plugin->GetCIDElement(0)->b_selected);

    m_plugin->RemoveAllCIDInfos();
    EXPECT_EQ(m_plugin->GetNumberOfCIDIntoTheList(), 0);
    EXPECT_EQ(m_plugin->GetCIDElement(0), nullptr);
}

}  // namespace
