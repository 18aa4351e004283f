#include "unit_fixture.h"

#include <string.h>
#include <zlib.h>

#include <platform/filecmd.h>

namespace {

using TempFoldersTest = UnitTest;

TEST_F(TempFoldersTest, RemovesOnlyTempFoldersWithTheirContents) {
    for (const char* l_name : {"TEMP_012", "TEMP_031", "TEMP", "031", "TEMP_A_B", "temp_031"}) {
        WriteUnitFile(std::string("/sdhc:0/MAPPE/") + l_name + "/sub/DATA.BIN", "x");
    }
    WriteUnitFile("/sdhc:0/MAPPE/TEMP_031/FILE.TXT", "y");
    CMMString l_base("/sdhc:0/");
    CMMString l_folder("MAPPE/");

    EXPECT_EQ(m_plugin->ManageOldTempFolders(l_base, l_folder), 0);

    EXPECT_FALSE(UnitExists("/sdhc:0/MAPPE/TEMP_012"));
    EXPECT_FALSE(UnitExists("/sdhc:0/MAPPE/TEMP_031"));
    for (const char* l_name : {"TEMP", "031", "TEMP_A_B", "temp_031"}) {
        EXPECT_TRUE(UnitExists(std::string("/sdhc:0/MAPPE/") + l_name + "/sub/DATA.BIN")) << l_name;
    }
    EXPECT_EQ(SyslogCount("<< ManageOldTempFolders >> Delete the following temp Dir  "
                          "'/sdhc:0/MAPPE//TEMP_0"),
              2u);
    EXPECT_TRUE(host::syslogContains("(C_MAP_UPG_PLUGIN) << ManageOldTempFolders + >>"));
    EXPECT_TRUE(host::syslogContains("(C_PLUGIN_Interface) << ManageOldTempFolders - >>"));
    /* The card is given back read-only. */
    EXPECT_TRUE(platform::isDeviceReadOnly("/sdhc:0"));
}

TEST_F(TempFoldersTest, UnderscoreOfAnUpperFolderDoesNotCount) {
    WriteUnitFile("/sdhc:0/TEMP_X/MAPPE/031/DATA.BIN", "x");
    CMMString l_base("/sdhc:0/TEMP_X/");
    CMMString l_folder("MAPPE");
    EXPECT_EQ(m_plugin->ManageOldTempFolders(l_base, l_folder), 0);
    EXPECT_TRUE(UnitExists("/sdhc:0/TEMP_X/MAPPE/031/DATA.BIN"));
}

TEST_F(TempFoldersTest, WithoutVolumeFunctionStillRemoves) {
    MakeUnitDir("/sdhc:0/MAPPE/TEMP_012");
    platform::hideSymbol("dosFsVolumeReadOnlySet");
    CMMString l_base("/sdhc:0/");
    CMMString l_folder("MAPPE/");

    EXPECT_EQ(m_plugin->ManageOldTempFolders(l_base, l_folder), -1);
    EXPECT_FALSE(UnitExists("/sdhc:0/MAPPE/TEMP_012"));
    EXPECT_FALSE(platform::isDeviceReadOnly("/sdhc:0"));
}

TEST_F(TempFoldersTest, MissingFolderIsNotAnError) {
    CMMString l_base("/sdhc:0/");
    CMMString l_folder("NOWHERE/");
    EXPECT_EQ(m_plugin->ManageOldTempFolders(l_base, l_folder), 0);
    EXPECT_TRUE(
        host::syslogContains("(C_PLUGIN_Interface) << ManageOldTempFolders >> Not able to open "
                             "folder /sdhc:0/NOWHERE/"));
    EXPECT_TRUE(host::syslogContains("(C_PLUGIN_Interface) << ManageOldTempFolders - >>"));
}

TEST_F(TempFoldersTest, PartitionBlockSize) {
    EXPECT_EQ(m_plugin->GetPartitionBlockSize(CMMString("/sdhc:0")), 4096);
    ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", 32768));
    EXPECT_EQ(m_plugin->GetPartitionBlockSize(CMMString("/sdhc:0")), 32768);

    EXPECT_EQ(m_plugin->GetPartitionBlockSize(CMMString("/sdhc:0/missing")), -1);
    EXPECT_TRUE(ConsoleContains("(GetSDBlockSize) ERROR : open ('/sdhc:0/missing')"));
}

struct SizeCase {
    long block_size;
    int result;
    double size;
};

class GetSizeTest : public UnitTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(GetSizeTest, KeyFollowsBlockSize) {
    const SizeCase& l_case = GetParam();
    WriteUnitFile("/bd0/DATA/MAPPE/001.inf",
                  "SIZE_4=4.5\nSIZE_8=8\nSIZE_16=16\nSIZE_32=32.25\nSIZE=1\n");
    ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", l_case.block_size));
    double l_size = -1.0;

    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/DATA/MAPPE/001.inf"), CMMString("SIZE"), l_size),
              l_case.result);
    EXPECT_EQ(l_size, l_case.size);
    EXPECT_EQ(m_plugin->m_plugin_partition_block_size, l_case.block_size);
    if (l_case.result == -1) {
        EXPECT_TRUE(host::syslogContains("\t*** GetCIDSize : SD Block size (" +
                                         std::to_string(l_case.block_size) + ") not managed! ***"));
    }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, GetSizeTest,
                         ::testing::Values(SizeCase{4096, 0, 4.5}, SizeCase{8192, 0, 8.0},
                                           SizeCase{16384, 0, 16.0}, SizeCase{32768, 0, 32.25},
                                           SizeCase{2048, -1, -1.0}));

TEST_F(TempFoldersTest, GetSizeFailures) {
    WriteUnitFile("/bd0/DATA/MAPPE/001.inf", "SIZE_4=4\n");
    double l_size = -1.0;

    /* A key missing for this block size leaves the size alone. */
    ASSERT_TRUE(platform::setDeviceBlockSize("/sdhc:0", 8192));
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/DATA/MAPPE/001.inf"), CMMString("SIZE"), l_size),
              -1);
    EXPECT_EQ(l_size, -1.0);

    /* No card device name: the block size cannot be had. */
    m_plugin->m_plugin_partition_block_size = 0;
    host::setPermanentDeviceName(5, "");
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/DATA/MAPPE/001.inf"), CMMString("SIZE"), l_size),
              -1);
    EXPECT_TRUE(host::syslogContains("***\tGetSize : GetPartitionBlockSize () == ERROR ***"));

    /* A card that cannot be opened counts as size 0. */
    host::setPermanentDeviceName(5, "/nodevice");
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/DATA/MAPPE/001.inf"), CMMString("SIZE"), l_size),
              0);
    EXPECT_EQ(l_size, 0.0);
    EXPECT_EQ(m_plugin->m_plugin_partition_block_size, -1);

    /* Without a manager the key cannot be read: a failure, never a crash. */
    l_size = -1.0;
    m_plugin->m_plugin_partition_block_size = 4096;
    m_plugin->m_bcm = nullptr;
    EXPECT_EQ(m_plugin->GetSize(CMMString("/bd0/DATA/MAPPE/001.inf"), CMMString("SIZE"), l_size),
              -1);
    EXPECT_EQ(l_size, -1.0);
}

/* One ustar record: a header and the data padded to 512 bytes. */
void AppendTarEntry(std::string& p_tar, const std::string& p_name, const std::string& p_data,
                    char p_type) {
    char l_header[512];
    memset(l_header, 0, sizeof(l_header));
    snprintf(l_header, 100, "%s", p_name.c_str());
    snprintf(l_header + 100, 8, "%07o", p_type == '5' ? 0755 : 0644);
    snprintf(l_header + 108, 8, "%07o", 0);
    snprintf(l_header + 116, 8, "%07o", 0);
    snprintf(l_header + 124, 12, "%011o", static_cast<unsigned>(p_data.size()));
    snprintf(l_header + 136, 12, "%011o", 0);
    l_header[156] = p_type;
    memcpy(l_header + 257, "ustar", 6);
    memcpy(l_header + 263, "00", 2);
    memset(l_header + 148, ' ', 8);
    unsigned l_sum = 0;
    for (unsigned char l_byte : l_header) l_sum += l_byte;
    snprintf(l_header + 148, 8, "%06o", l_sum);
    l_header[155] = ' ';
    p_tar.append(l_header, sizeof(l_header));
    p_tar += p_data;
    p_tar.append((512 - p_data.size() % 512) % 512, '\0');
}

void WriteGzip(const std::string& p_host_path, const std::string& p_content) {
    gzFile l_file = gzopen(p_host_path.c_str(), "wb");
    ASSERT_NE(l_file, nullptr);
    ASSERT_EQ(gzwrite(l_file, p_content.data(), static_cast<unsigned>(p_content.size())),
              static_cast<int>(p_content.size()));
    gzclose(l_file);
}

TEST_F(TempFoldersTest, UnCompressExtractsIntoThePrefix) {
    std::string l_tar;
    AppendTarEntry(l_tar, "040/", "", '5');
    AppendTarEntry(l_tar, "040/A.DAT", std::string(600, 'a'), '0');
    AppendTarEntry(l_tar, "040/B.DAT", "", '0');
    l_tar.append(1024, '\0');
    MakeUnitDir("/bd0/DATA/MAPPE");
    MakeUnitDir("/sdhc:0/MAPPE");
    WriteGzip(HostPath("/bd0/DATA/MAPPE/040.BIN"), l_tar);

    EXPECT_EQ(m_plugin->UnCompress(CMMString("/bd0/DATA/MAPPE/040.BIN"),
                                   CMMString("/sdhc:0/MAPPE/TEMP_")),
              0);
    EXPECT_EQ(std::filesystem::file_size(HostPath("/sdhc:0/MAPPE/TEMP_040/A.DAT")), 600u);
    EXPECT_EQ(std::filesystem::file_size(HostPath("/sdhc:0/MAPPE/TEMP_040/B.DAT")), 0u);
    EXPECT_TRUE(ConsoleContains("(UnCompress ('/bd0/DATA/MAPPE/040.BIN', '/sdhc:0/MAPPE/TEMP_')"));
    EXPECT_TRUE(ConsoleContains("(UnCompress '/bd0/DATA/MAPPE/040.BIN'): Done."));
}

TEST_F(TempFoldersTest, UnCompressReportsAFailure) {
    EXPECT_EQ(m_plugin->UnCompress(CMMString("/bd0/DATA/MAPPE/041.BIN"),
                                   CMMString("/sdhc:0/MAPPE/TEMP_")),
              -1);
    EXPECT_TRUE(ConsoleContains("(UnCompress '/bd0/DATA/MAPPE/041.BIN'): ERROR."));
}

TEST_F(TempFoldersTest, CancelWithoutExtraction) {
    EXPECT_EQ(C_UPG_PLUGIN_Interface::CancelUnCompress(), 0);
    EXPECT_TRUE(ConsoleContains("(CancelUnCompress ()"));
    EXPECT_TRUE(ConsoleContains("(CancelUnCompress): Done."));
}

}  // namespace
