#include "unit_fixture.h"

#include <platform/symtab.h>

namespace {

/* Written into m_hardware_code first, to see the rows that leave it alone. */
const int UNCHANGED = -777;

struct HardwareCase {
    int mb1;
    int db1;
    int mb2;
    int result;
    int code;
    const char* label;
};

const HardwareCase HARDWARE_CASES[] = {
    {5, 4, 5, 0, 101, "AUDIO_BT "},
    {5, 4, 6, 0, 102, "AUDIO_BT"},
    {5, 4, 7, -1, 1, "AUDIO_BT"},
    {5, 4, 9, 0, 104, "NAV"},
    {5, 4, 8, -1, 1, "MB (id2) unsupported"},
    {5, 4, -3, -1, 1, "MB (id2) unsupported"},
    {5, 9, 2, 0, UNCHANGED, ""},
    {5, 9, 3, 0, UNCHANGED, ""},
    {5, 9, 5, 0, UNCHANGED, ""},
    {5, 9, 6, 0, UNCHANGED, ""},
    {5, 9, 9, 0, UNCHANGED, ""},
    {5, 9, 10, 0, UNCHANGED, ""},
    {5, 9, 0, -1, UNCHANGED, ""},
    {5, 9, 4, -1, UNCHANGED, ""},
    {5, 9, 11, -1, UNCHANGED, ""},
    {5, 9, 34, -1, UNCHANGED, ""}, /* past the mask: never shifted in */
    {5, 9, -1, -1, UNCHANGED, ""},
    {5, 1, 9, -1, 1, "DB Unsupported"},
    {3, 1, 1, -1, 1, "Proto B: Unsupported"},
    {3, 2, 1, -1, 2, "AUDIO"},
    {3, 1, 2, -1, 3, "AUDIO_BT"},
    {4, 9, 3, -1, 5, "NAV"},
    {0, 4, 9, -1, 1, "MB (id1) Unsupported"},
};

class HardwareTest : public UnitTest, public ::testing::WithParamInterface<HardwareCase> {};

TEST_P(HardwareTest, TableRow) {
    const HardwareCase& l_case = GetParam();
    host::setBoardIds(l_case.mb1, l_case.mb2, l_case.db1);
    m_plugin->m_hardware_code = UNCHANGED;

    EXPECT_EQ(m_plugin->CheckHardwareCompatibility(), l_case.result);
    EXPECT_EQ(m_plugin->m_hardware_code, l_case.code);
    char l_ids[128];
    snprintf(l_ids, sizeof(l_ids), " {MBId1= %d; MBId2= %d; DBId1= %d} ", l_case.mb1, l_case.mb2,
             l_case.db1);
    EXPECT_STREQ(m_plugin->m_hardware_description.GetBuffer(),
                 (std::string(l_case.label) + l_ids).c_str());
}

INSTANTIATE_TEST_SUITE_P(Table, HardwareTest, ::testing::ValuesIn(HARDWARE_CASES));

using ChecksTest = UnitTest;

TEST_F(ChecksTest, NavigationUnitDescription) {
    host::setBoardIds(5, 9, 4);
    EXPECT_EQ(m_plugin->CheckHardwareCompatibility(), 0);
    EXPECT_STREQ(m_plugin->m_hardware_description.GetBuffer(),
                 "NAV {MBId1= 5; MBId2= 9; DBId1= 4} ");
}

TEST_F(ChecksTest, HardwareFamily) {
    host::setBoardIds(5, 1, 1);
    EXPECT_EQ(m_plugin->CheckHardwareFamilly(), 0);
    EXPECT_TRUE(host::syslogContains(
        "(CheckHardwareFamilly) Hw familly mother board id '5' is authorized"));

    host::setBoardIds(6, 9, 4);
    EXPECT_EQ(m_plugin->CheckHardwareFamilly(), -1);
    EXPECT_TRUE(host::syslogContains(
        "(CheckHardwareFamilly) Hw familly mother board id '6' is not authorized"));
}

TEST_F(ChecksTest, NavigationFlagIsPassedOn) {
    for (int l_value : {0, 1, 7}) {
        host::setConfigValue("SETUP_FLAG_NAV_ACTIVATED", l_value);
        EXPECT_EQ(m_plugin->IsNavigationFlagActivated(), l_value);
        EXPECT_TRUE(host::syslogContains("(IsNavigationFlagActivated) Navigation flag is set to '" +
                                         std::to_string(l_value) + "'"));
    }
}

TEST_F(ChecksTest, SymbolLookups) {
    void* const l_untouched = reinterpret_cast<void*>(0x1234);
    void* l_address = l_untouched;

    EXPECT_EQ(m_plugin->CheckAndGetSymblolAddress("Volume", nullptr, l_address), -1);
    EXPECT_EQ(l_address, l_untouched);
    EXPECT_TRUE(host::syslogContains("\t*** Instance of Volume symbol is NULL! ***"));
    /* A missing display name is logged as an empty one. */
    EXPECT_EQ(m_plugin->CheckAndGetSymblolAddress(nullptr, nullptr, l_address), -1);
    EXPECT_TRUE(host::syslogContains("\t*** Instance of  symbol is NULL! ***"));

    EXPECT_EQ(m_plugin->CheckAndGetSymblolAddress("Volume", "dosFsVolumeReadOnlySet", l_address),
              0);
    char* l_expected = nullptr;
    ASSERT_EQ(symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &l_expected, nullptr), 0);
    EXPECT_EQ(l_address, static_cast<void*>(l_expected));
    EXPECT_TRUE(host::syslogContains("\tVolume symbol  : OK"));

    platform::hideSymbol("dosFsVolumeReadOnlySet");
    EXPECT_EQ(m_plugin->CheckAndGetSymblolAddress("Volume", "dosFsVolumeReadOnlySet", l_address),
              -1);
    EXPECT_EQ(l_address, nullptr);
    EXPECT_TRUE(host::syslogContains(
        "\t*** Instance of Volume symbol 'dosFsVolumeReadOnlySet' is Missing! ***"));
}

}  // namespace
