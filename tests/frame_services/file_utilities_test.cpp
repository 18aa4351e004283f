#include "unit_fixture.h"

#include <dlfcn.h>
#include <errno.h>
#include <zlib.h>

#include <mutex>

#include <host/storage.h>
#include <platform/fileio.h>

namespace {

/* A folder that fsOpendir refuses although it exists: an unreadable folder of the card. */
std::mutex g_unopenable_mutex;
std::string g_unopenable;

void SetUnopenable(const std::string& p_unit_path) {
    std::lock_guard<std::mutex> l_guard(g_unopenable_mutex);
    g_unopenable = p_unit_path;
}

}  // namespace

/* Stands in front of the platform's own fsOpendir for the whole program; only the one path
   set by a test fails. */
extern "C" DIR* fsOpendir(const char* p_path) {
    typedef DIR* (*t_opendir)(const char*);
    static const t_opendir l_real = reinterpret_cast<t_opendir>(dlsym(RTLD_NEXT, "fsOpendir"));
    if (p_path != nullptr) {
        std::lock_guard<std::mutex> l_guard(g_unopenable_mutex);
        if (!g_unopenable.empty() && g_unopenable == p_path) {
            errno = EACCES;
            return nullptr;
        }
    }
    return l_real(p_path);
}

namespace {

/* System-log entries that contain the text, in order. */
std::vector<std::string> SyslogWith(const std::string& p_text) {
    std::vector<std::string> l_found;
    for (const std::string& l_line : host::syslogLines()) {
        if (l_line.find(p_text) != std::string::npos) l_found.push_back(l_line);
    }
    return l_found;
}

using FileUtilitiesTest = UnitTest;

TEST_F(FileUtilitiesTest, PluginIsDirExist) {
    MakeUnitDir("/sdhc:0/MAPPE");
    WriteUnitFile("/sdhc:0/FILE.TXT", "x");
    EXPECT_EQ(m_plugin->PluginIsDirExist("/sdhc:0/MAPPE"), 1);
    EXPECT_EQ(m_plugin->PluginIsDirExist("/sdhc:0/FILE.TXT"), 0);
    EXPECT_EQ(m_plugin->PluginIsDirExist("/sdhc:0/NONE"), 0);
    EXPECT_EQ(m_plugin->PluginIsDirExist(nullptr), 0);
}

struct ValueCase {
    const char* label;
    std::string content;
    const char* field;
    int result;
    std::string value;
};

const std::string LONG_VALUE(200, 'v');

const ValueCase VALUE_CASES[] = {
    {"key must begin the line", "SUBVER:2\r\nVER: 12\r\n", "VER", 0, " 12"},
    {"first match wins", "VER:1\nVER:2\n", "VER", 0, "1"},
    {"missing field", "SUBVER:2\nVERSION:3\n", "VER", -1, ""},
    {"empty value", "VER:\n", "VER", 0, ""},
    {"last line without line feed", "A:1\nVER:9", "VER", 0, "9"},
    {"colons after the key stay", "URL:http://x\n", "URL", 0, "http://x"},
    {"long line is cut", "VER:" + LONG_VALUE + "\n", "VER", 0, LONG_VALUE.substr(0, 95)},
    /* The 100th character of a long line must not count as the start of a line. */
    {"key inside a long line", std::string(99, 'x') + "VER:7\n", "VER", -1, ""},
    {"key after a long line", std::string(250, 'x') + "\nVER:8\n", "VER", 0, "8"},
    {"empty file", "", "VER", -1, ""},
    /* The value follows the line's first colon, even for a field that holds one. */
    {"field holding a colon", "A:B:val\n", "A:B", 0, "B:val"},
    /* A field too long for the key: the key is cut and never matches. */
    {"overlong field", std::string(120, 'F') + ":1\n",
     "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"
     "FFFFFFFFFFFFFFFFFFFFFFFFFFF",
     -1, ""},
    {"line of separators", "VER:::\n", "VER", 0, "::"},
};

class ValueInFileTest : public UnitTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueInFileTest, Reads) {
    const ValueCase& l_case = GetParam();
    WriteUnitFile("/bd0/UPG.TXT", l_case.content);
    CMMString l_value("stale");
    EXPECT_EQ(
        m_plugin->PluginGetValueInFile(CMMString("/bd0/UPG.TXT"), CMMString(l_case.field), l_value),
        l_case.result);
    EXPECT_EQ(std::string(l_value.GetBuffer()), l_case.value);
    if (l_case.result == 0) {
        EXPECT_TRUE(host::syslogContains("(PluginGetValueInFile) p_out_field_value '" +
                                         l_case.value + "'"));
    } else {
        EXPECT_TRUE(host::syslogContains(
            "(PluginGetValueInFile) 2- p_in_file_name '/bd0/UPG.TXT'==> l_pFich == NULL !!!"));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ValueInFileTest, ::testing::ValuesIn(VALUE_CASES),
                         [](const ::testing::TestParamInfo<ValueCase>& p_info) {
                             std::string l_name = p_info.param.label;
                             for (char& l_char : l_name) {
                                 if (!isalnum(static_cast<unsigned char>(l_char))) l_char = '_';
                             }
                             return l_name;
                         });

TEST_F(FileUtilitiesTest, ValueInMissingFile) {
    CMMString l_value("stale");
    EXPECT_EQ(m_plugin->PluginGetValueInFile(CMMString("/bd0/NONE.TXT"), CMMString("VER"), l_value),
              -1);
    EXPECT_TRUE(l_value.IsEmpty());
    EXPECT_TRUE(host::syslogContains(
        "(PluginGetValueInFile) 1- p_in_field_name 'VER'==> l_pFich == NULL !!!"));
}

TEST_F(FileUtilitiesTest, RemoveTemporaryFoldersOnACleanCard) {
    C_FS_STORAGE_ENTITY l_volume;
    l_volume.SetName(CMMString("/sdhc:0/"));
    EXPECT_EQ(m_plugin->RemoveTemporaryFolders(l_volume), 0);
    EXPECT_EQ(SyslogCount("DeleteSDTemporaryFiles: '"), 4u);
    EXPECT_EQ(SyslogCount("' is not a directory"), 4u);
    EXPECT_TRUE(host::syslogContains(
        "(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: '/sdhc:0/MAPPE/tmp_poi' is not a "
        "directory"));
    EXPECT_TRUE(platform::isDeviceReadOnly("/sdhc:0"));
}

TEST_F(FileUtilitiesTest, RemoveTemporaryFoldersRemovesThem) {
    WriteUnitFile("/sdhc:0/MAPPE_OLD/001/A.DAT", "a");
    WriteUnitFile("/sdhc:0/MAPPE/TEMP/B.DAT", "b");
    WriteUnitFile("/sdhc:0/MAPPE/001/C.DAT", "c");
    C_FS_STORAGE_ENTITY l_volume;
    l_volume.SetName(CMMString("/sdhc:0/"));
    EXPECT_EQ(m_plugin->RemoveTemporaryFolders(l_volume), 0);
    EXPECT_FALSE(UnitExists("/sdhc:0/MAPPE_OLD"));
    EXPECT_FALSE(UnitExists("/sdhc:0/MAPPE/TEMP"));
    EXPECT_TRUE(UnitExists("/sdhc:0/MAPPE/001/C.DAT"));
    EXPECT_TRUE(host::syslogContains(
        "(C_UPG_PLG_Interface): DeleteSDTemporaryFiles: The folder '/sdhc:0/MAPPE_OLD'"));
}

TEST_F(FileUtilitiesTest, DeleteSDTemporaryFilesFailures) {
    MakeUnitDir("/sdhc:0/MAPPE_OLD");
    CMMString l_folder("MAPPE_OLD");
    C_FS_STORAGE_ENTITY l_volume;
    l_volume.SetName(CMMString("/sdhc:0/"));

    platform::hideSymbol("dosFsVolumeReadOnlySet");
    EXPECT_EQ(m_plugin->DeleteSDTemporaryFiles(l_volume, l_folder), -1);
    EXPECT_TRUE(UnitExists("/sdhc:0/MAPPE_OLD"));
    platform::unhideAllSymbols();

    C_FS_STORAGE_ENTITY l_unknown;
    l_unknown.SetName(CMMString("/nodevice/"));
    EXPECT_EQ(m_plugin->DeleteSDTemporaryFiles(l_unknown, l_folder), -1);
    EXPECT_TRUE(
        host::syslogContains("DeleteSDTemporaryFiles: Impossible to set '/nodevice/' in R/W mode"));
    EXPECT_TRUE(host::syslogContains(
        "DeleteSDTemporaryFiles: Impossible to set '/nodevice/' in Read only mode"));
    EXPECT_TRUE(UnitExists("/sdhc:0/MAPPE_OLD"));
}

TEST_F(FileUtilitiesTest, SizeOfDirectoryAddsToTheTotal) {
    WriteUnitFile("/sdhc:0/TREE/A.DAT", std::string(10, 'a'));
    WriteUnitFile("/sdhc:0/TREE/SUB/B.DAT", std::string(20, 'b'));
    WriteUnitFile("/sdhc:0/TREE/SUB/DEEPER/C.DAT", std::string(30, 'c'));
    MakeUnitDir("/sdhc:0/TREE/EMPTY");
    long long l_total = 100;
    EXPECT_EQ(m_plugin->ComputeTheSizeOfDirectory(CMMString("/sdhc:0/TREE"), l_total), 0);
    EXPECT_EQ(l_total, 160);
    EXPECT_TRUE(host::syslogContains("(CheckTheSizeBeforeCopy): The size of '/sdhc:0/TREE' is '"));

    l_total = 0;
    EXPECT_EQ(m_plugin->ComputeTheSizeOfDirectory(CMMString("/sdhc:0/NONE"), l_total), -1);
    EXPECT_EQ(l_total, 0);
    EXPECT_TRUE(host::syslogContains(
        "(CheckTheSizeBeforeCopy): Impossible to open directory '/sdhc:0/NONE' "));
}

TEST_F(FileUtilitiesTest, SizeOfDirectoryLogsEachFolderOnceMeasured) {
    /* One entry a level, so that the order of the lines is fixed. */
    WriteUnitFile("/sdhc:0/TREE/SUB/DEEPER/C.DAT", std::string(30, 'c'));
    long long l_total = 100;
    EXPECT_EQ(m_plugin->ComputeTheSizeOfDirectory(CMMString("/sdhc:0/TREE"), l_total), 0);
    EXPECT_EQ(l_total, 130);
    /* A sub-folder is measured where it is met: its folder's line carries its size too. */
    const std::vector<std::string> l_expected = {
        "(CheckTheSizeBeforeCopy): size = 130",
        "(CheckTheSizeBeforeCopy): The size of '/sdhc:0/TREE/SUB/DEEPER' is '130'",
        "(CheckTheSizeBeforeCopy): The size of '/sdhc:0/TREE/SUB' is '130'",
        "(CheckTheSizeBeforeCopy): The size of '/sdhc:0/TREE' is '130'",
    };
    EXPECT_EQ(SyslogWith("(CheckTheSizeBeforeCopy)"), l_expected);
}

TEST_F(FileUtilitiesTest, SizeOfDirectoryWithAnUnreadableSubFolder) {
    WriteUnitFile("/sdhc:0/TREE/BAD/B.DAT", std::string(20, 'b'));
    SetUnopenable("/sdhc:0/TREE/BAD");
    long long l_total = 0;
    EXPECT_EQ(m_plugin->ComputeTheSizeOfDirectory(CMMString("/sdhc:0/TREE"), l_total), 0);
    SetUnopenable("");
    EXPECT_EQ(l_total, 0);
    const std::vector<std::string> l_expected = {
        "(CheckTheSizeBeforeCopy): Impossible to open directory '/sdhc:0/TREE/BAD' ",
        "(CheckTheSizeBeforeCopy): Recursive Error",
        "(CheckTheSizeBeforeCopy): The size of '/sdhc:0/TREE' is '0'",
    };
    EXPECT_EQ(SyslogWith("(CheckTheSizeBeforeCopy)"), l_expected);
}

TEST_F(FileUtilitiesTest, SizeOfDirectoryOnAwkwardTrees) {
    /* Deep nesting, and an entry whose status cannot be read (a dangling link). */
    std::string l_path = "/sdhc:0/DEEP";
    for (int l_level = 0; l_level < 300; l_level++) l_path += "/d";
    WriteUnitFile(l_path + "/LEAF.DAT", "12345");
    MakeUnitDir("/sdhc:0/DEEP");
    std::filesystem::create_symlink(m_root / "nowhere", HostPath("/sdhc:0/DEEP") + "/LINK");

    long long l_total = 0;
    EXPECT_EQ(m_plugin->ComputeTheSizeOfDirectory(CMMString("/sdhc:0/DEEP"), l_total), 0);
    EXPECT_EQ(l_total, 5);
    EXPECT_TRUE(host::syslogContains("(CheckTheSizeBeforeCopy): stat function returns Error"));
}

struct VehicleCase {
    const char* label;
    const char* content; /* vehicle.ini, or null for none */
    int result;
    const char* type;
    const char* line; /* the one "(ReadVehicleTypeFromSystem)" line, or null for none */
};

const VehicleCase VEHICLE_CASES[] = {
    {"no file", nullptr, -1, "", nullptr},
    {"vehicle", "VEHICLE=B618\nGROUP=G1\n", 0, "B618",
     "(ReadVehicleTypeFromSystem) VEHICLE = 'B618'"},
    {"empty vehicle gives the group", "VEHICLE=\nGROUP=G1\n", 0, "G1",
     "(ReadVehicleTypeFromSystem) GROUP = 'G1'"},
    {"empty vehicle and empty group", "VEHICLE=\nGROUP=\n", 0, "",
     "(ReadVehicleTypeFromSystem) GROUP = ''"},
    {"empty vehicle without group", "VEHICLE=\n", -1, "",
     "(ReadVehicleTypeFromSystem) returns Error for vehicle and group"},
    {"group without vehicle", "GROUP=G1\n", -1, "", nullptr},
};

class VehicleTest : public UnitTest, public ::testing::WithParamInterface<VehicleCase> {};

TEST_P(VehicleTest, ReadsVehicleThenGroup) {
    const VehicleCase& l_case = GetParam();
    if (l_case.content != nullptr) WriteUnitFile("/SYSTEM/Data_Base/vehicle.ini", l_case.content);
    CMMString l_type("unset");
    EXPECT_EQ(m_plugin->ReadVehicleTypeFromSystem(l_type), l_case.result);
    EXPECT_STREQ(l_type.GetBuffer(), l_case.type);
    std::vector<std::string> l_expected;
    if (l_case.line != nullptr) l_expected.push_back(l_case.line);
    EXPECT_EQ(SyslogWith("(ReadVehicleTypeFromSystem)"), l_expected);
}

INSTANTIATE_TEST_SUITE_P(Files, VehicleTest, ::testing::ValuesIn(VEHICLE_CASES),
                         [](const ::testing::TestParamInfo<VehicleCase>& p_info) {
                             std::string l_name = p_info.param.label;
                             for (char& l_char : l_name) {
                                 if (!isalnum(static_cast<unsigned char>(l_char))) l_char = '_';
                             }
                             return l_name;
                         });

TEST_F(FileUtilitiesTest, VehicleTypeWithoutManager) {
    WriteUnitFile("/SYSTEM/Data_Base/vehicle.ini", "VEHICLE=B618\n");
    CMMString l_type("kept");
    m_plugin->m_bcm = nullptr;
    EXPECT_EQ(m_plugin->ReadVehicleTypeFromSystem(l_type), 0);
    EXPECT_STREQ(l_type.GetBuffer(), "kept");
}

struct RetrieveCase {
    std::string stored;
    std::string value;
    std::string without_space;
};

const RetrieveCase RETRIEVE_CASES[] = {
    {"abc//def", "abc", "abc"},
    {"abc/def", "abc/def", "abc/def"},
    {"abc\\\\def", "abc", "abc"},
    {"x/y//z", "x/y", "x/y"},
    {"ab//c/d", "ab", "ab"},
    {"a b //c d", "a b ", "ab"},
    {"plain text", "plain text", "plaintext"},
    {"a//def", "", ""},
    /* Values made only of separators. */
    {"//", "//", "//"},
    {"////", "//", "//"},
    {"\\/\\/", "\\/", "\\/"},
};

class RetrieveTest : public UnitTest, public ::testing::WithParamInterface<RetrieveCase> {};

TEST_P(RetrieveTest, ShortensAtADoubledSeparator) {
    const RetrieveCase& l_case = GetParam();
    WriteUnitFile("/bd0/VALUES.inf", "KEY=" + l_case.stored + "\n");
    CMMString l_value;
    EXPECT_EQ(
        m_plugin->RetrieveStringFromFile(CMMString("/bd0/VALUES.inf"), CMMString("KEY"), l_value),
        0);
    EXPECT_EQ(std::string(l_value.GetBuffer()), l_case.value);

    EXPECT_EQ(m_plugin->RetrieveStringFromFileWithoutSpace(CMMString("/bd0/VALUES.inf"),
                                                           CMMString("KEY"), l_value),
              0);
    EXPECT_EQ(std::string(l_value.GetBuffer()), l_case.without_space);
}

INSTANTIATE_TEST_SUITE_P(Values, RetrieveTest, ::testing::ValuesIn(RETRIEVE_CASES));

struct RetrieveLogCase {
    std::string stored;
    std::vector<std::string> lines;
};

const RetrieveLogCase RETRIEVE_LOG_CASES[] = {
    {"abc/def",
     {"(RetrieveValueFromFile) Extracted string is ab and l_slash_str = c",
      "(RetrieveValueFromFile) The string /bd0/VALUES.inf has slash or backslash at -1",
      "(RetrieveValueFromFile) The string /bd0/VALUES.inf doesn't have slash or backslash"}},
    {"abc\\def",
     {"(RetrieveValueFromFile) The string /bd0/VALUES.inf has slash or backslash at 3",
      "(RetrieveValueFromFile) Extracted string is ab and l_slash_str = c",
      "(RetrieveValueFromFile) The string /bd0/VALUES.inf has slash or backslash at -1",
      "(RetrieveValueFromFile) The string /bd0/VALUES.inf doesn't have slash or backslash"}},
    {"abc//def", {"(RetrieveValueFromFile) Extracted string is without slash abc "}},
    {"a//def", {"(RetrieveValueFromFile) The string is empty"}},
    {"//", {}},
};

class RetrieveLogTest : public UnitTest, public ::testing::WithParamInterface<RetrieveLogCase> {};

TEST_P(RetrieveLogTest, LogsEachTurn) {
    WriteUnitFile("/bd0/VALUES.inf", "KEY=" + GetParam().stored + "\n");
    CMMString l_value;
    EXPECT_EQ(
        m_plugin->RetrieveStringFromFile(CMMString("/bd0/VALUES.inf"), CMMString("KEY"), l_value),
        0);
    EXPECT_EQ(SyslogWith("(RetrieveValueFromFile)"), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Values, RetrieveLogTest, ::testing::ValuesIn(RETRIEVE_LOG_CASES));

TEST_F(FileUtilitiesTest, RetrieveFailures) {
    CMMString l_value;
    EXPECT_EQ(
        m_plugin->RetrieveStringFromFile(CMMString("/bd0/NONE.inf"), CMMString("KEY"), l_value),
        -1);
    EXPECT_TRUE(host::syslogContains(
        "(RetrieveValueFromFile) Impossible to get value in file /bd0/NONE.inf "));
    EXPECT_EQ(m_plugin->RetrieveStringFromFileWithoutSpace(CMMString("/bd0/NONE.inf"),
                                                           CMMString("KEY"), l_value),
              -1);
    EXPECT_TRUE(host::syslogContains(
        "(RetrieveStringFromFileWithoutSpace) File /bd0/NONE.inf doesn't exist"));

    WriteUnitFile("/bd0/VALUES.inf", "OTHER=1\n");
    EXPECT_EQ(m_plugin->RetrieveStringFromFileWithoutSpace(CMMString("/bd0/VALUES.inf"),
                                                           CMMString("KEY"), l_value),
              -1);
    EXPECT_TRUE(host::syslogContains(
        "(RetrieveStringFromFileWithoutSpace) RetrieveStringFromFile returns error for "
        "/bd0/VALUES.inf"));

    m_plugin->m_bcm = nullptr;
    EXPECT_EQ(
        m_plugin->RetrieveStringFromFile(CMMString("/bd0/VALUES.inf"), CMMString("OTHER"), l_value),
        -1);
    EXPECT_TRUE(host::syslogContains("(RetrieveValueFromFile) Instance of BCM null"));
}

TEST_F(FileUtilitiesTest, VerifyCRC32) {
    const std::string l_content = "cartography data";
    WriteUnitFile("/bd0/DATA.BIN", l_content);
    unsigned long l_crc =
        crc32(0L, reinterpret_cast<const Bytef*>(l_content.data()), l_content.size());
    unsigned long l_computed = 0;

    EXPECT_EQ(m_plugin->VerifyCRC32ofFileForPlugin(CMMString("/bd0/DATA.BIN"), l_crc, l_computed),
              0);
    EXPECT_EQ(l_computed, l_crc);

    EXPECT_EQ(
        m_plugin->VerifyCRC32ofFileForPlugin(CMMString("/bd0/DATA.BIN"), l_crc ^ 1, l_computed),
        -1);
    EXPECT_EQ(l_computed, l_crc);
    EXPECT_TRUE(
        host::syslogContains("VerifyCRC32ofFileForPlugin : CRCs computed and on binary are "
                             "different!!"));

    EXPECT_EQ(m_plugin->VerifyCRC32ofFileForPlugin(CMMString("/bd0/NONE.BIN"), l_crc, l_computed),
              -1);
    EXPECT_EQ(l_computed, static_cast<unsigned long>(-1));
    EXPECT_TRUE(host::syslogContains(
        "VerifyCRC32ofFileForPlugin : FileCRC failed for file /bd0/NONE.BIN>>"));
    EXPECT_EQ(SyslogCount("<< VerifyCRC32ofFileForPlugin - >>"), 3u);
}

}  // namespace
