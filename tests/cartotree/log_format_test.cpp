/*
 * The tree's log: pointer-sized arguments read as the conversion asks, and
 * the channel chosen by the perimeter.
 */
#include <stdint.h>
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>

#include <host/C_BCM_UPGRADE.h>
#include <platform/kernel.h>

#include <cartotree_format.h>

#include "map_unit_fixture.h"

namespace {

std::string Format(const char* p_format, std::vector<_Vx_usr_arg_t> p_args,
                   size_t p_size = CARTOTREE_LOG_SIZE) {
    std::vector<char> l_out(p_size + 1, '#');
    CartoTreeFormat(l_out.data(), p_size, p_format, p_args.data(), (int)p_args.size());
    EXPECT_EQ(l_out[p_size], '#') << "written past the buffer";
    return std::string(l_out.data());
}

#define ARG(x) ((_Vx_usr_arg_t)(x))

TEST(CartoTreeFormatTest, ConversionsTakePointerSizedArguments) {
    std::string l_long_path(3000, 'p');
    struct {
        const char* format;
        std::vector<_Vx_usr_arg_t> args;
        std::string expected;
    } const l_cases[] = {
        {"%ld - (X) %s() L_%d",
         {ARG(123456789012L), ARG("Name"), ARG(2882)},
         "123456789012 - (X) Name() L_2882"},
        {"%d|%u|%x|%08X|%c|%%|%5s|%-3d|",
         {ARG(-5), ARG(-1), ARG(255), ARG(0xabc), ARG('q'), ARG("ab"), ARG(7)},
         "-5|4294967295|ff|00000ABC|q|%|   ab|7  |"},
        {"%lld and %s", {ARG(-9000000000LL), ARG(nullptr)}, "-9000000000 and (null)"},
        {"missing %d %s", {}, "missing 0 (null)"},
        {"%*d|%.2s", {ARG(4), ARG(9), ARG("xyz")}, "   9|xy"},
        {"trailing %", {}, "trailing "},
        {"%q stays", {}, "%q stays"},
    };
    for (const auto& l_case : l_cases) {
        EXPECT_EQ(Format(l_case.format, l_case.args), l_case.expected) << l_case.format;
    }
    /* A string longer than the buffer is cut, never overrun. */
    std::string l_cut = Format("path %s end", {ARG(l_long_path.c_str())});
    EXPECT_EQ(l_cut.size(), (size_t)CARTOTREE_LOG_SIZE - 1);
    EXPECT_EQ(Format("%s", {ARG("abcdef")}, 4), "abc");
    EXPECT_EQ(Format("%d", {ARG(123456)}, 3), "12");
}

class TreeLogTest : public MapUnitTest {};

TEST_F(TreeLogTest, ChannelByPerimeter) {
    CMMString l_carto("/sdhc:0/");
    {
        /* Perimeter 2: the system log, tick entry first. */
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_2, CMMString("/bd0/"), l_carto);
        host::clearSyslog();
        l_tree.LogCartoTree("(T) %s %d", ARG("two"), ARG(2));
        std::vector<std::string> l_lines = host::syslogLines();
        ASSERT_EQ(l_lines.size(), 2u);
        EXPECT_NE(l_lines[0].find(" - "), std::string::npos);
        EXPECT_EQ(l_lines[1], "(T) two 2");
    }
    {
        /* Perimeter 3 without a plugin: nothing, and no crash. */
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3, CMMString("/bd0/"), l_carto);
        host::clearSyslog();
        l_tree.LogCartoTree("(T) %s", ARG("three"));
        EXPECT_TRUE(host::syslogLines().empty());
    }
    {
        /* Perimeter 3 with a plugin: its step log. */
        ASSERT_NE(CreatePlugin(), nullptr);
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_3, CMMString("/bd0/"), l_carto);
        host::clearSyslog();
        l_tree.LogCartoTree("(T) %s %ld", ARG("three"), ARG(1L << 40));
        EXPECT_TRUE(SyslogContains("(T) three 1099511627776"));
    }
    {
        /* Perimeter 1: the console. */
        C_MAP_UPG_CARTOTREE l_tree(PERIMETER_1, CMMString("/bd0/"), l_carto);
        l_tree.LogCartoTree("(T) console %s\n", ARG("one"));
        bool l_found = false;
        for (const std::string& l_line : Console()) {
            l_found = l_found || l_line.find("(T) console one") != std::string::npos;
        }
        EXPECT_TRUE(l_found);
    }
}

/*
 * Every tree message that carries a tick count has it first and the name of
 * an operation of the tree right after the class: a swapped argument would
 * print a pointer as the tick or a number as the name.
 */

/*
 * A tree message as "<tick> - (C_MAP_UPG_CARTOTREE)<blanks or dashes><operation>"
 * followed by "()", "()," or "," and a blank: gives the tick and the operation.
 */
bool ParseTreeLine(const std::string& p_line, unsigned long& p_tick, std::string& p_operation) {
    size_t l_pos = 0;
    while (l_pos < p_line.size() && isdigit(static_cast<unsigned char>(p_line[l_pos]))) ++l_pos;
    const std::string l_class = " - (C_MAP_UPG_CARTOTREE)";
    if (l_pos == 0 || p_line.compare(l_pos, l_class.size(), l_class) != 0) return false;
    p_tick = strtoul(p_line.substr(0, l_pos).c_str(), nullptr, 10);
    l_pos += l_class.size();
    size_t l_gap = l_pos;
    while (l_pos < p_line.size() && (p_line[l_pos] == ' ' || p_line[l_pos] == '-')) ++l_pos;
    if (l_pos == l_gap) return false;
    size_t l_name = l_pos;
    while (l_pos < p_line.size() &&
           (isalnum(static_cast<unsigned char>(p_line[l_pos])) || p_line[l_pos] == '_')) {
        ++l_pos;
    }
    if (l_pos == l_name) return false;
    p_operation = p_line.substr(l_name, l_pos - l_name);
    for (const char* l_end : {"(), ", "() ", ", "}) {
        if (p_line.compare(l_pos, strlen(l_end), l_end) == 0) return true;
    }
    return false;
}

TEST_F(TreeLogTest, TickFirstThenTheOperationsName) {
    WriteUnitFile("/bd0/DATA/MAPPE/DESCRI.DAT",
                  "CD_VER,x,\\DATA\\CD_VER.NAV,y,z\n"
                  "CURR_VERS_NAVI,x,\\DATA\\MAPPE\\CURR_VERS_NAVI.TXT,y,z\n"
                  "GRUPPO_ROOT,x,\\DATA\\MAPPE\\GRUPPO_4_CID.DAT,y,z\n");
    WriteUnitFile("/bd0/DATA/CD_VER.NAV", "x");
    WriteUnitFile("/bd0/DATA/MAPPE/024/DESCRI.DAT",
                  "V,x,\\DATA\\MAPPE\\024\\CD_VER.NAV.INF,y,z\n"
                  "G,x,\\DATA\\MAPPE\\024\\GRUPPO_4_CID.DAT.inf,y,z\n"
                  "B,x,\\DATA\\MAPPE\\024\\024.BIN,y,z\n");
    WriteUnitFile("/bd0/DATA/MAPPE/024/GRUPPO_4_CID.DAT.inf", "VER=024\n");
    WriteUnitFile("/bd0/DATA/MAPPE/031/DESCRI.DAT", "B,x,\\DATA\\MAPPE\\031\\031.BIN,y,z\n");
    C_MAP_UPG_PLUGIN* l_plugin = CreatePlugin();
    ASSERT_NE(l_plugin, nullptr);
    C_MAP_UPG_CARTOTREE* l_tree = l_plugin->GetCartoTree();
    host::clearSyslog();

    EXPECT_EQ(l_plugin->GetUpgradeType(), MODULE_COUNTRY);
    EXPECT_EQ(l_tree->GetUpgDVD_CurrVersNaviAbsolutePath(), 0);
    CMMArray<t_upg_descri_dat_elt> l_list(10, 10);
    EXPECT_EQ(l_tree->GetCountryListFiles(l_list, CMMString("031.BIN")), -1);
    EXPECT_EQ(l_tree->GetCountryListFiles(l_list, CMMString("024.BIN")), -1);
    CMMArray<CMMString> l_lines(10, 10);
    CMMArray<t_upg_descri_dat_elt> l_country(10, 10);
    ASSERT_EQ(l_tree->LoadDescriDataInMemory("/bd0/DATA/MAPPE/024/DESCRI.DAT", l_lines), 0);
    ASSERT_EQ(l_tree->ConvertDataIntoDescriDatEltList(l_lines, l_country), 0);
    int l_index = -1;
    EXPECT_EQ(l_tree->GetUpgValidFileIfFound(l_country, &l_index, UPG_MAP_CD_VER_NAV_FILE), 0);
    EXPECT_EQ(l_tree->CheckGruppoValidityFile(CMMString("024"), l_country), 0);
    CMMString l_path;
    EXPECT_EQ(l_tree->CheckCIDFileinList(LIST_COUNTRY, C_BCM_UPGRADE::Instance(),
                                         CMMString("024.BIN"), l_path),
              -1);
    EXPECT_EQ(l_tree->LoadDescriDataInMemory("/bd0/NONE.DAT", l_lines), -1);
    l_tree->m_main_descri_list.Purge();
    EXPECT_EQ(l_tree->GetUpgDVDorCDValidFileIfFound(nullptr), -1);
    EXPECT_EQ(l_tree->GetUpgDVD_CurrVersNaviAbsolutePath(), -1);

    const std::set<std::string> l_operations = {
        "GetUpgradeType",
        "BuildMainDescriDatFilePath",
        "LoadDescriDataInMemory",
        "SaveMainDescriDatIntoSpecifiedList",
        "GetUpgDVDorCDValidFileIfFound",
        "GetUpgDescriRelativeFile",
        "CheckUpgDescriRelativeFile",
        "BuildUpgFilePath",
        "GetUpgDVD_CurrVersNaviAbsolutePath",
        "GetUpgValidFileIfFound",
        "GetCountryListFiles",
        "CheckCIDFileinList",
    };
    unsigned long l_now = tickGet();
    std::set<std::string> l_seen;
    for (const std::string& l_line : host::syslogLines()) {
        if (l_line.find("(C_MAP_UPG_CARTOTREE)") == std::string::npos ||
            l_line.find("CheckGruppoValidityFile  >>") != std::string::npos ||
            l_line.find("FindCIDinPath() - ") != std::string::npos) {
            continue;
        }
        unsigned long l_tick = 0;
        std::string l_operation;
        ASSERT_TRUE(ParseTreeLine(l_line, l_tick, l_operation)) << l_line;
        EXPECT_LE(l_tick, l_now) << l_line;
        EXPECT_EQ(l_operations.count(l_operation), 1u) << l_line;
        l_seen.insert(l_operation);
    }
    EXPECT_EQ(l_seen, l_operations);
}

}  // namespace
