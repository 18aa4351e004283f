/*
 * The medium's version file CURR_VERS_NAVI.TXT: a country's name, quarter,
 * year, delivery date and provider.
 */
#include <string>
#include <vector>

#include "map_unit_fixture.h"

namespace {

class VersionFileTest : public MapUnitTest {
  protected:
    void SetUp() override {
        MapUnitTest::SetUp();
        m_plugin = CreatePlugin();
        ASSERT_NE(m_plugin, nullptr);
        m_plugin->GetCartoTree()->SetMapPlgin_DVD_CurrVersNavi(
            CMMString("/bd0/DATA/MAPPE/CURR_VERS_NAVI.TXT"));
        host::clearSyslog();
    }

    struct Values {
        int result;
        std::string name, quarter, year, date, provider;
        bool operator==(const Values& o) const {
            return result == o.result && name == o.name && quarter == o.quarter && year == o.year &&
                   date == o.date && provider == o.provider;
        }
    };

    Values Read(const char* p_cid) {
        CMMString l_name, l_quarter, l_year, l_date, l_provider;
        int l_result = m_plugin->GetCIDValuesFromDVD(CMMString(p_cid), l_name, l_quarter, l_year,
                                                     l_date, l_provider);
        return {l_result,     Text(l_name), Text(l_quarter),
                Text(l_year), Text(l_date), Text(l_provider)};
    }

    C_MAP_UPG_PLUGIN* m_plugin = nullptr;
};

struct VersionCase {
    const char* name;
    std::string content;
    const char* cid;
    int result;
    const char* values[5]; /* name, quarter, year, date, provider */
};

TEST_F(VersionFileTest, CountryLines) {
    const std::string l_quoted = "CID:040,a,b,2,2009,\"10/2009\",\"N\",\"P\"";
    const VersionCase l_cases[] = {
        {"quoted line", l_quoted + "\n", "040", 0, {"N", "2", "2009", "10/2009", "P"}},
        {"CRLF", l_quoted + "\r\n", "040", 0, {"N", "2", "2009", "10/2009", "P"}},
        {"no final line end", l_quoted, "040", 0, {"N", "2", "2009", "10/2009", "P"}},
        {"short line", "CID:040,a,b,2,2009\n", "040", -1, {"", "", "", "", ""}},
        {"longer identifier",
         "CID:0401,a,b,3,2010,d,n,p\n",
         "040",
         0,
         {"n", "3", "2010", "d", "p"}},
        {"first line short, second complete",
         "CID:040,a,b,1\nCID:040,a,b,4,2011,d,n,p,extra\n",
         "040",
         0,
         {"n", "4", "2011", "d", "p"}},
        {"other country", "CID:041,a,b,4,2011,d,n,p\n", "040", -1, {"", "", "", "", ""}},
        {"quotes in quarter and year stay",
         "CID:040,a,b,\"2\",\"2009\",d,\"N\"\"\",p\n",
         "040",
         0,
         {"N", "\"2\"", "\"2009\"", "d", "p"}},
        {"not a country line",
         "XCID:040,a,b,4,2011,d,n,p\nCID\n\n",
         "040",
         -1,
         {"", "", "", "", ""}},
        {"line longer than the buffer",
         "CID:040," + std::string(400, 'z') + ",a,b,c,d,e,f\n",
         "040",
         -1,
         {"", "", "", "", ""}},
        {"empty file", "", "040", -1, {"", "", "", "", ""}},
    };
    for (const VersionCase& l_case : l_cases) {
        WriteUnitFile("/bd0/DATA/MAPPE/CURR_VERS_NAVI.TXT", l_case.content);
        host::clearSyslog();
        Values l_got = Read(l_case.cid);
        EXPECT_EQ(l_got.result, l_case.result) << l_case.name;
        EXPECT_EQ(l_got.name, l_case.values[0]) << l_case.name;
        EXPECT_EQ(l_got.quarter, l_case.values[1]) << l_case.name;
        EXPECT_EQ(l_got.year, l_case.values[2]) << l_case.name;
        if (l_case.result == 0) {
            EXPECT_EQ(l_got.date, l_case.values[3]) << l_case.name;
            EXPECT_EQ(l_got.provider, l_case.values[4]) << l_case.name;
        } else {
            EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) CID '040' not found or corrupted..."))
                << l_case.name;
        }
    }
}

TEST_F(VersionFileTest, MissingFile) {
    Values l_got = Read("040");
    EXPECT_EQ(l_got.result, -1);
    EXPECT_TRUE(
        SyslogContains("GetCIDValuesFromDVD (fopen '/bd0/DATA/MAPPE/CURR_VERS_NAVI.TXT') return "
                       "ERROR"));
    EXPECT_TRUE(SyslogContains("(C_MAP_UPG_PLUGIN) CID '040' not found or corrupted..."));
}

TEST_F(VersionFileTest, ValueAfterComma) {
    struct {
        const char* line;
        int n;
        int result;
        const char* value;
    } const l_cases[] = {
        {"a,b,c", 1, 0, "b"}, {"a,b,c", 2, 0, "c"}, {"a,b,c", 3, -1, ""},
        {"a,b,c", 0, -1, ""}, {"a,,c", 1, 0, ""},   {"a,b,", 2, 0, ""},
    };
    for (const auto& l_case : l_cases) {
        CMMString l_value("old");
        EXPECT_EQ(m_plugin->ExtractValueAfterComma(l_case.line, l_case.n, l_value), l_case.result)
            << l_case.line << " " << l_case.n;
        EXPECT_EQ(Text(l_value), l_case.value) << l_case.line << " " << l_case.n;
    }
    /* Only the first 299 characters count. */
    std::string l_long = std::string(298, 'x') + ",y";
    CMMString l_value;
    EXPECT_EQ(m_plugin->ExtractValueAfterComma(l_long.c_str(), 1, l_value), 0);
    EXPECT_EQ(Text(l_value), "");
    l_long = std::string(299, 'x') + ",y";
    EXPECT_EQ(m_plugin->ExtractValueAfterComma(l_long.c_str(), 1, l_value), -1);
    EXPECT_EQ(m_plugin->ExtractValueAfterComma(nullptr, 1, l_value), -1);
}

}  // namespace
