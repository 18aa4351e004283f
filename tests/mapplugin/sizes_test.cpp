/*
 * Sizes read from side files under the key of the card's block size.
 */
#include <string>

#include "map_unit_fixture.h"

namespace {

class SizesTest : public MapUnitTest {
  protected:
    void SetUp() override {
        MapUnitTest::SetUp();
        m_plugin = CreatePlugin();
        ASSERT_NE(m_plugin, nullptr);
        host::clearSyslog();
    }

    /* A fresh lookup: the block size is found again on the next read. */
    void UseBlockSize(long p_block_size) {
        ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", p_block_size));
        m_plugin->m_plugin_partition_block_size = 0;
    }

    C_MAP_UPG_PLUGIN* m_plugin = nullptr;
};

struct SizeCase {
    const char* name;
    long block_size;
    const char* content;
    int result;
    const char* value;
    const char* message;
};

TEST_F(SizesTest, CountrySizeKeyByBlockSize) {
    const SizeCase l_cases[] = {
        {"4096", 4096, "CID_SIZE_4=100\nCID_SIZE=200\n", 0, "100",
         "GetCIDSize :  of '/bd0/CD_VER.NAV.INF' PartitionBlockSize = 4096, CID_size = '100'"},
        {"32768 with its key", 32768, "CID_SIZE=2000\nCID_SIZE_32=1000\n", 0, "1000", nullptr},
        {"32768 without its key", 32768, "CID_SIZE=2000\n", 0, "2000", nullptr},
        {"16384", 16384, "CID_SIZE_16=7\r\n", 0, "7", nullptr},
        {"2048 not managed", 2048, "CID_SIZE_4=100\nCID_SIZE=300\n", 0, "300",
         "GetCIDSize : SD Block size (2048) not managed!"},
        {"no key", 8192, "VERSION=5\n", -1, "",
         "GetCIDSize : CID_SIZE not present in file (/bd0/CD_VER.NAV.INF)!"},
    };
    for (const SizeCase& l_case : l_cases) {
        WriteUnitFile("/bd0/CD_VER.NAV.INF", l_case.content);
        UseBlockSize(l_case.block_size);
        host::clearSyslog();
        CMMString l_value;
        EXPECT_EQ(m_plugin->GetCIDSize(CMMString("/bd0/CD_VER.NAV.INF"), l_value), l_case.result)
            << l_case.name;
        EXPECT_EQ(Text(l_value), l_case.value) << l_case.name;
        EXPECT_EQ(m_plugin->m_plugin_partition_block_size, l_case.block_size);
        if (l_case.message != nullptr) {
            EXPECT_TRUE(SyslogContains(l_case.message)) << l_case.name;
        }
    }
}

TEST_F(SizesTest, OtherFileSizeKeyByBlockSize) {
    const SizeCase l_cases[] = {
        {"16384", 16384, "SIZE=1\nSIZE_16=300\n", 0, "300",
         "GetSize :  of '/bd0/X.inf' PartitionBlockSize = 16384, Size = '300'"},
        {"32768 without its key", 32768, "SIZE=2000\n", 0, "2000", nullptr},
        {"2048 generic key", 2048, "SIZE=5\n", 0, "5",
         "GetSize : SD Block size (2048) not managed!"},
        {"no key", 4096, "OTHER=1\n", -1, "",
         "GetSize : CID_SIZE not present in file (/bd0/X.inf)!"},
    };
    for (const SizeCase& l_case : l_cases) {
        WriteUnitFile("/bd0/X.inf", l_case.content);
        UseBlockSize(l_case.block_size);
        host::clearSyslog();
        CMMString l_value;
        EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/X.inf"), l_value), l_case.result)
            << l_case.name;
        EXPECT_EQ(Text(l_value), l_case.value) << l_case.name;
        if (l_case.message != nullptr) {
            EXPECT_TRUE(SyslogContains(l_case.message)) << l_case.name;
        }
    }
}

TEST_F(SizesTest, BlockSizeUnavailable) {
    WriteUnitFile("/bd0/CD_VER.NAV.INF", "CID_SIZE=1\n");
    host::setPermanentDeviceName(5, "");
    CMMString l_value;
    EXPECT_EQ(m_plugin->GetCIDSize(CMMString("/bd0/CD_VER.NAV.INF"), l_value), -1);
    EXPECT_TRUE(SyslogContains("GetCIDSize : GetPartitionBlockSize () == ERROR"));
    EXPECT_TRUE(SyslogContains("GetCIDSize :  m_plugin_partition_block_size == 0!!!"));
    EXPECT_EQ(m_plugin->m_plugin_partition_block_size, 0);

    /* A device that cannot be opened gives -1, which stays. */
    host::setPermanentDeviceName(5, "/nodevice");
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/CD_VER.NAV.INF"), l_value), -1);
    EXPECT_EQ(m_plugin->m_plugin_partition_block_size, -1);
    host::setPermanentDeviceName(5, "/sdhc:0");
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/CD_VER.NAV.INF"), l_value), -1);
    EXPECT_TRUE(SyslogContains("GetSize :  m_plugin_partition_block_size == -1!!!"));
}

TEST_F(SizesTest, OtherFilesOfACountry) {
    UseBlockSize(16384);
    CMMString l_base("/bd0/DATA/MAPPE/024/024");
    CMMString l_epc("old"), l_phonemes("old"), l_third("old");

    /* Both side files missing: size 0, no error. */
    EXPECT_EQ(m_plugin->GetOtherSize(l_base, l_epc, l_phonemes, l_third), 0);
    EXPECT_EQ(Text(l_epc), "");
    EXPECT_EQ(Text(l_phonemes), "");
    EXPECT_EQ(Text(l_third), "");
    EXPECT_EQ(SyslogCount("Missing file name '/bd0/DATA/MAPPE/024/024_"), 2u);
    long long l_total = -1;
    m_plugin->ComputeOtherSize(l_total, l_epc, l_phonemes, l_third);
    EXPECT_EQ(l_total, 0);

    WriteUnitFile("/bd0/DATA/MAPPE/024/024_EPC.BIN.inf", "SIZE_16=300\n");
    WriteUnitFile("/bd0/DATA/MAPPE/024/024_PHONEMES.BIN.inf", "SIZE_16=200\n");
    EXPECT_EQ(m_plugin->GetOtherSize(l_base, l_epc, l_phonemes, l_third), 0);
    m_plugin->ComputeOtherSize(l_total, l_epc, l_phonemes, CMMString("999"));
    EXPECT_EQ(l_total, 500);
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) ComputeOtherSize() : epc_size=300 "));

    /* Both present without a size key: both lookups fail. */
    WriteUnitFile("/bd0/DATA/MAPPE/024/024_EPC.BIN.inf", "OTHER=1\n");
    WriteUnitFile("/bd0/DATA/MAPPE/024/024_PHONEMES.BIN.inf", "OTHER=1\n");
    EXPECT_EQ(m_plugin->GetOtherSize(l_base, l_epc, l_phonemes, l_third), 1);

    CMMString l_empty;
    EXPECT_EQ(m_plugin->GetOtherSize(l_empty, l_epc, l_phonemes, l_third), -1);
    EXPECT_TRUE(
        SyslogContains("[ERROR] - (C_MAP_UPG_PLUGIN) GetOtherSize() : Empty relative path"));
}

TEST_F(SizesTest, SizeTextsSaturateAt32Bits) {
    long long l_total = 0;
    m_plugin->ComputeOtherSize(l_total, CMMString("99999999999999999999"), CMMString("4294967296"),
                               CMMString());
    EXPECT_EQ(l_total, 2LL * 4294967295LL);
    m_plugin->ComputeOtherSize(l_total, CMMString("4294967295"), CMMString("12abc"), CMMString());
    EXPECT_EQ(l_total, 4294967295LL + 12);
    m_plugin->ComputeOtherSize(l_total, CMMString("abc"), CMMString(""), CMMString());
    EXPECT_EQ(l_total, 0);
}

TEST_F(SizesTest, IconBrandsSize) {
    WriteUnitFile("/bd0/DATA/MAPPE/ICON_BRANDS/ICON_BRANDS", "CID_SIZE_4=4096\nCID_SIZE=1\n");
    /* Before any country size was read the block size is still 0. */
    m_plugin->m_icon_brands_size = 77;
    m_plugin->GetIconBrandsSize();
    EXPECT_EQ(m_plugin->m_icon_brands_size, 0);
    EXPECT_TRUE(SyslogContains("GetIconBrandsSize : SD Block size (0) not managed!"));

    m_plugin->m_plugin_partition_block_size = 4096;
    m_plugin->GetIconBrandsSize();
    EXPECT_EQ(m_plugin->m_icon_brands_size, 4096);

    /* No key of the block size: the value stays empty, so 0, without a message. */
    m_plugin->m_plugin_partition_block_size = 8192;
    host::clearSyslog();
    m_plugin->GetIconBrandsSize();
    EXPECT_EQ(m_plugin->m_icon_brands_size, 0);
    EXPECT_FALSE(SyslogContains("not managed"));
}

}  // namespace
