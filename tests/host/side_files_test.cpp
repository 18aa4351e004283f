#include "host_fixture.h"

#include <host/C_BCM_UPGRADE.h>
#include <host/file_helpers.h>
#include <host/simulation.h>

#include <cstring>
#include <string>

namespace {

struct ReadCase {
    const char* name;
    std::string content;
    const char* key;
    int result;
    const char* value;
};

const std::string kLong(100000, 'x');

const ReadCase kReadCases[] = {
    {"Lf", "A=1\nVER=20104\nB=2\n", "VER", 0, "20104"},
    {"Crlf", "A=1\r\nVER=20104\r\nB=2\r\n", "VER", 0, "20104"},
    {"BlanksAroundKeyAndValue", "  VER \t=  2 0 1  \r\n", "VER", 0, "2 0 1"},
    {"FirstMatchWins", "VER=1\nVER=2\n", "VER", 0, "1"},
    {"KeyComparedExactly", "ver=1\nVERSION=3\nVER=2\n", "VER", 0, "2"},
    {"ValueMayHoldEquals", "CD_NAME=a=b\n", "CD_NAME", 0, "a=b"},
    {"LinesWithoutEqualsIgnored", "# comment\nVER\nVER=5\n", "VER", 0, "5"},
    {"NoFinalNewline", "A=1\nVER=7", "VER", 0, "7"},
    {"LeadingByteOrderMark", "\xEF\xBB\xBFVER=8\n", "VER", 0, "8"},
    {"LongLineBeforeKey", "JUNK=" + kLong + "\nVER=9\n", "VER", 0, "9"},
    {"LongLineSkipped", "VER=" + kLong + "\nVER=10\n", "VER", 0, "10"},
    {"LongUnterminatedLine", "A=1\n" + kLong, "VER", -1, ""},
    {"BinaryBytes", std::string("\x01\x02\0\xff=\n\0\0VER=3\n", 14) + "VER=11\n", "VER", 0, "11"},
    {"MissingKey", "A=1\nB=2\n", "VER", -1, ""},
    {"EmptyValueIsRead", "VER=\nVER=3\n", "VER", 0, ""},
    {"BlankValueIsEmpty", "VER = \t\r\n", "VER", 0, ""},
    {"EmptyValueAtEndWithoutNewline", "A=1\nVER=", "VER", 0, ""},
    {"OnlyBlanksAndNewlines", "\n \r\n\t\n", "VER", -1, ""},
    {"EqualsWithoutKey", "=3\n", "VER", -1, ""},
    {"EmptyFile", "", "VER", -1, ""},
};

class GetValueInFileTest : public HostTest, public ::testing::WithParamInterface<ReadCase> {};

}  // namespace

TEST_P(GetValueInFileTest, ReadsKeyOrFailsCleanly) {
    const ReadCase& c = GetParam();
    host::createManager();
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    ASSERT_NE(bcm, nullptr);
    std::string path = WriteMedium("side.inf", c.content);

    CMMString value("stale");
    EXPECT_EQ(bcm->GetValueInFile(CMMString(path.c_str()), CMMString(c.key), value), c.result);
    EXPECT_STREQ(value.GetBuffer(), c.value);

    char buffer[GETINFVALUE_BUFFER_SIZE];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(GetInfValue(path.c_str(), c.key, buffer), c.result);
    EXPECT_STREQ(buffer, c.value);
}

INSTANTIATE_TEST_SUITE_P(Formats, GetValueInFileTest, ::testing::ValuesIn(kReadCases),
                         [](const ::testing::TestParamInfo<ReadCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(HostTest, GetValueInFileFailsOnMissingOrUnnamedFiles) {
    host::createManager();
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    CMMString value("stale");
    EXPECT_EQ(bcm->GetValueInFile(CMMString("/bd0/none.inf"), CMMString("VER"), value), -1);
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_EQ(bcm->GetValueInFile(CMMString(""), CMMString("VER"), value), -1);
    EXPECT_EQ(bcm->GetValueInFile(CMMString("/nodevice/x.inf"), CMMString("VER"), value), -1);
    WriteMedium("a.inf", "VER=1\n");
    EXPECT_EQ(bcm->GetValueInFile(CMMString("/bd0/a.inf"), CMMString(""), value), -1);
    // The medium is a FAT volume: the name is found in any case.
    EXPECT_EQ(bcm->GetValueInFile(CMMString("/bd0/A.INF"), CMMString("VER"), value), 0);
    EXPECT_STREQ(value.GetBuffer(), "1");
}

TEST_F(HostTest, GetInfValueHonoursTheBufferSize) {
    std::string longValue(150, 'v');
    std::string path = WriteMedium("UpgPlugin.out.inf", "SUBVER=" + longValue + "\n");

    char buffer[GETINFVALUE_BUFFER_SIZE + 8];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(GetInfValue(path.c_str(), "SUBVER", buffer), 0);
    EXPECT_EQ(std::string(buffer), std::string(100, 'v'));
    for (size_t i = GETINFVALUE_BUFFER_SIZE; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 'z');

    char small[4];
    EXPECT_EQ(GetInfValue(path.c_str(), "SUBVER", small, sizeof small), 0);
    EXPECT_STREQ(small, "vvv");

    EXPECT_EQ(GetInfValue(path.c_str(), "SUBVER", nullptr), -1);
    EXPECT_EQ(GetInfValue(path.c_str(), "SUBVER", small, 0), -1);
    EXPECT_EQ(GetInfValue(nullptr, "SUBVER", small), -1);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(GetInfValue(path.c_str(), nullptr, small), -1);
    EXPECT_EQ(GetInfValue("", "SUBVER", small), -1);
}

TEST_F(HostTest, IsExistFileSeesFilesOnly) {
    host::createManager();
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    WriteMedium("UpgPlugin.out", "x");
    EXPECT_EQ(bcm->IsExistFile(CMMString("/bd0/UpgPlugin.out")), 1);
    EXPECT_EQ(bcm->IsExistFile(CMMString("/bd0/upgplugin.OUT")), 1);
    EXPECT_EQ(bcm->IsExistFile(CMMString("/bd0/missing")), 0);
    EXPECT_EQ(bcm->IsExistFile(CMMString("/bd0")), 0);
    EXPECT_EQ(bcm->IsExistFile(CMMString("")), 0);
}
