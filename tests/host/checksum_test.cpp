#include "host_fixture.h"

#include <host/file_helpers.h>

#include <zlib.h>

#include <cstdio>
#include <string>

namespace {

unsigned long Crc(const std::string& bytes) {
    return crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                 static_cast<uInt>(bytes.size()));
}

std::string Hex(unsigned long value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

TEST_F(HostTest, FileCrcMatchesZlibAndFlagsFailures) {
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + 3);
    std::string path = WriteMedium("GRUPPO_4_ROOT.DAT", data);

    unsigned long value = 0;
    EXPECT_EQ(FileCRC(path.c_str(), &value), Crc(data));
    EXPECT_EQ(value, Crc(data));

    std::string empty = WriteMedium("empty.bin", "");
    EXPECT_EQ(FileCRC(empty.c_str(), &value), 0UL);
    EXPECT_EQ(value, 0UL);

    const unsigned long failure = static_cast<unsigned long>(-1);
    value = 0;
    EXPECT_EQ(FileCRC("/bd0/missing.bin", &value), failure);
    EXPECT_EQ(value, failure);
    EXPECT_EQ(FileCRC(nullptr, &value), failure);
    EXPECT_EQ(FileCRC("", nullptr), failure);
}

TEST_F(HostTest, CheckCrcFileComparesWithTheSideFile) {
    const std::string data = "cartography bytes\n";
    const unsigned long crc = Crc(data);
    struct Case {
        const char* name;
        std::string side;  // content of the side file; "-" for none
        std::string file;  // content of the file; "-" for none
        int result;
    } cases[] = {
        {"lower case", "VER=3\nCRC=" + Hex(crc, "%08lx") + "\n", data, 0},
        {"upper case with 0x", "CRC = 0x" + Hex(crc, "%08lX") + "\r\n", data, 0},
        {"changed file", "CRC=" + Hex(crc, "%08lx") + "\n", data + "!", -1},
        {"missing side file", "-", data, -1},
        {"missing key", "VER=3\n", data, -1},
        {"not hexadecimal", "CRC=12345G78\n", data, -1},
        {"too many digits", "CRC=0" + Hex(crc, "%08lx") + "\n", data, -1},
        {"only 0x", "CRC=0x\n", data, -1},
        {"empty value", "CRC=\n", data, -1},
        {"missing file", "CRC=" + Hex(crc, "%08lx") + "\n", "-", -1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = "f" + std::to_string(n++) + ".dat";
        std::string path = "/bd0/" + name;
        if (c.file != "-") WriteMedium(name, c.file);
        if (c.side != "-") WriteMedium(name + ".inf", c.side);
        EXPECT_EQ(CheckCRCFile(path.c_str()), c.result);
    }
    EXPECT_EQ(CheckCRCFile(nullptr), -1);
    EXPECT_EQ(CheckCRCFile(""), -1);
}

TEST_F(HostTest, CheckCrcFileFindsAnUpperCaseSideFileOnFat) {
    const std::string data = "db";
    WriteMedium("db_dwnl_gl.out", data);
    WriteMedium("DB_DWNL_GL.OUT.INF", "CRC=" + Hex(Crc(data), "%08lX") + "\n");
    EXPECT_EQ(CheckCRCFile("/bd0/db_dwnl_gl.out"), 0);
}
