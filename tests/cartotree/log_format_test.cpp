/*
 * The tree's log: pointer-sized arguments read as the conversion asks, and
 * the channel chosen by the perimeter.
 */
#include <stdint.h>

#include <string>

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

}  // namespace
