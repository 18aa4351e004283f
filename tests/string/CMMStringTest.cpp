#include <host/CMMString.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string Str(const CMMString& s) { return std::string(s.GetBuffer(), s.GetLength()); }

TEST(CMMStringBuild, ConstructionTakesTheGivenBytes) {
    struct Case {
        const char* text;
        int length;
        const char* expected;
    } cases[] = {
        {"abcdef", -1, "abcdef"},
        {"abcdef", 3, "abc"},
        {"abcdef", 0, ""},
        {"abcdef", -7, "abcdef"},
        {nullptr, -1, ""},
        {nullptr, 5, ""},
        {"ab\0cd", 5, "ab"},  // stops at the terminating NUL, never reads past it
        {"", -1, ""},
    };
    for (const Case& c : cases) {
        CMMString s(c.text, c.length, CMMSTRING_CHARSET_UTF8, CMMSTRING_STRING);
        EXPECT_EQ(Str(s), c.expected) << (c.text ? c.text : "(null)") << " / " << c.length;
        EXPECT_EQ(s.GetLength(), static_cast<int>(strlen(c.expected)));
        EXPECT_EQ(s.GetBufferSize(), s.GetLength() + 1);
        EXPECT_EQ(s.GetBuffer()[s.GetLength()], '\0');
    }
}

TEST(CMMStringBuild, EmptyStringStillHasABuffer) {
    CMMString s;
    int status = 7;
    ASSERT_NE(s.GetBuffer(CMMSTRING_CHARSET_ASCII, &status), nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_STREQ(s.GetBuffer(), "");
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_FALSE(s.IsNotEmpty());
    EXPECT_EQ(s.GetBufferSize(), 1);
    EXPECT_STREQ(s.GetBuffer(CMMSTRING_CHARSET_UTF8, nullptr), "");
}

TEST(CMMStringBuild, AppendAndConcatenate) {
    CMMString s("/sdhc:0");
    s += "/MAPPE";
    s += '/';
    s += CMMString("TEMP_");
    s.Add("007xyz", 3);
    s.Add(CMMString("/CD_VER.NAV"));
    EXPECT_EQ(Str(s), "/sdhc:0/MAPPE/TEMP_007/CD_VER.NAV");

    CMMString a("a"), b("b");
    EXPECT_EQ(Str(a + b), "ab");
    EXPECT_EQ(Str(a + "c"), "ac");
    EXPECT_EQ(Str("c" + a), "ca");
    EXPECT_EQ(Str(a), "a");

    s.Add(nullptr);
    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(Str(s), "/sdhc:0/MAPPE/TEMP_007/CD_VER.NAV");
}

TEST(CMMStringBuild, ManySmallAppendsKeepTheContent) {
    CMMString s;
    std::string expected;
    for (int i = 0; i < 2000; i++) {
        char c = static_cast<char>('a' + i % 26);
        s += c;
        expected += c;
    }
    EXPECT_EQ(Str(s), expected);
}

// The string's own bytes may be handed back to it.
TEST(CMMStringBuild, OwnContentAsArgument) {
    CMMString s("abc");
    s += s;
    EXPECT_EQ(Str(s), "abcabc");
    s.Add(s);
    EXPECT_EQ(Str(s), "abcabcabcabc");
    s += s.GetBuffer();
    EXPECT_EQ(Str(s), "abcabcabcabcabcabcabcabc");
    s = s.GetBuffer() + 21;
    EXPECT_EQ(Str(s), "abc");
    s.Add(s.GetBuffer() + 1, 1);
    EXPECT_EQ(Str(s), "abcb");
    CMMString& same = s;
    s = same;
    EXPECT_EQ(Str(s), "abcb");
    EXPECT_EQ(s.Format("%s/%s", s.GetBuffer(), s.GetBuffer()), 9);
    EXPECT_EQ(Str(s), "abcb/abcb");
}

TEST(CMMStringBuild, ClearKeepsStoragePurgeReleasesIt) {
    CMMString s("content");
    s.Clear();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.GetBuffer(), "");
    s += "x";
    EXPECT_EQ(Str(s), "x");
    s.Purge();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.GetBuffer(), "");
    s += "y";
    EXPECT_EQ(Str(s), "y");
    CMMString copy(s);
    s.Purge();
    EXPECT_EQ(Str(copy), "y");
}

enum Search { FIND_CHAR, FIND_TEXT, REVERSE_CHAR, REVERSE_TEXT };

TEST(CMMStringPositions, Searches) {
    struct Case {
        Search how;
        const char* text;
        const char* needle;  // a single character for the char searches
        int start;
        int expected;
    } cases[] = {
        // text            0123456789
        {FIND_CHAR, "a/b/c", "/", 0, 1},
        {FIND_CHAR, "a/b/c", "/", 1, 1},
        {FIND_CHAR, "a/b/c", "/", 2, 3},
        {FIND_CHAR, "a/b/c", "/", 4, -1},
        {FIND_CHAR, "a/b/c", "/", -1, 1},
        {FIND_CHAR, "a/b/c", "/", -9, 1},
        {FIND_CHAR, "a/b/c", "/", 99, -1},
        {FIND_CHAR, "a/b/c", "x", 0, -1},
        {FIND_CHAR, "", "/", 0, -1},
        {FIND_CHAR, "/", "/", 0, 0},
        {FIND_TEXT, "ab.BIN.BIN", ".BIN", -1, 2},
        {FIND_TEXT, "ab.BIN.BIN", ".BIN", 3, 6},
        {FIND_TEXT, "ab.BIN.BIN", ".BIN", 6, 6},
        {FIND_TEXT, "ab.BIN.BIN", ".BIN", 7, -1},
        {FIND_TEXT, "ab.BIN.BIN", ".bin", -1, -1},
        {FIND_TEXT, "ab.BIN.BIN", "", -1, -1},
        {FIND_TEXT, "ab", "abc", -1, -1},
        {FIND_TEXT, "abc", "abc", -1, 0},
        {FIND_TEXT, "", "a", -1, -1},
        {FIND_TEXT, "aaa", "aa", 1, 1},
        {REVERSE_CHAR, "a/b/c", "/", -1, 3},
        {REVERSE_CHAR, "a/b/c", "/", 3, 3},
        {REVERSE_CHAR, "a/b/c", "/", 2, 1},
        {REVERSE_CHAR, "a/b/c", "/", 0, -1},
        {REVERSE_CHAR, "a/b/c", "/", 99, 3},
        {REVERSE_CHAR, "a/b/c", "/", -5, 3},
        {REVERSE_CHAR, "/abc", "/", -1, 0},
        {REVERSE_CHAR, "abc/", "/", -1, 3},
        {REVERSE_CHAR, "abc", "/", -1, -1},
        {REVERSE_CHAR, "", "/", -1, -1},
        {REVERSE_TEXT, "x.BIN.BIN", ".BIN", -1, 5},
        {REVERSE_TEXT, "x.BIN.BIN", ".BIN", 4, 1},
        {REVERSE_TEXT, "x.BIN.BIN", ".BIN", 1, 1},
        {REVERSE_TEXT, "x.BIN.BIN", ".BIN", 0, -1},
        {REVERSE_TEXT, "x.BIN.BIN", ".BIN", 8, 5},
        {REVERSE_TEXT, "x.BIN.BIN", "", -1, -1},
        {REVERSE_TEXT, "ab", "abc", -1, -1},
        {REVERSE_TEXT, "abc", "abc", -1, 0},
        {REVERSE_TEXT, "aaa", "aa", -1, 1},
    };
    for (const Case& c : cases) {
        CMMString s(c.text);
        int got = -2;
        switch (c.how) {
            case FIND_CHAR:
                got = s.Find(c.needle[0], c.start);
                break;
            case FIND_TEXT:
                got = s.Find(c.needle, c.start);
                break;
            case REVERSE_CHAR:
                got = s.FindReverse(c.needle[0], c.start);
                break;
            case REVERSE_TEXT:
                got = s.FindReverse(c.needle, c.start, CMMSTRING_CHARSET_UTF8);
                break;
        }
        EXPECT_EQ(got, c.expected) << "search " << c.how << " of '" << c.needle << "' in '"
                                   << c.text << "' from " << c.start;
    }
    EXPECT_EQ(CMMString("abc").Find(static_cast<const char*>(nullptr)), -1);
    EXPECT_EQ(CMMString("abc").FindReverse(static_cast<const char*>(nullptr)), -1);
}

enum Cut { BEFORE, AFTER, EXTRACT };

TEST(CMMStringPositions, Cuts) {
    struct Case {
        Cut how;
        const char* text;
        int first;
        int last;  // Extract only
        const char* expected;
    } cases[] = {
        {BEFORE, "abc/def", 2, 0, "abc"},
        {BEFORE, "abc/def", 0, 0, "a"},
        {BEFORE, "abc/def", -1, 0, ""},
        {BEFORE, "abc/def", -5, 0, ""},
        {BEFORE, "abc/def", 6, 0, "abc/def"},
        {BEFORE, "abc/def", 50, 0, "abc/def"},
        {BEFORE, "", 3, 0, ""},
        {AFTER, "abc/def", 4, 0, "def"},
        {AFTER, "abc/def", 0, 0, "abc/def"},
        {AFTER, "abc/def", -1, 0, "abc/def"},
        {AFTER, "abc/def", 6, 0, "f"},
        {AFTER, "abc/def", 7, 0, ""},
        {AFTER, "abc/def", 50, 0, ""},
        {AFTER, "", 0, 0, ""},
        {EXTRACT, "abc/def", 3, 3, "/"},
        {EXTRACT, "abc/def", 0, 6, "abc/def"},
        {EXTRACT, "abc/def", 1, 2, "bc"},
        {EXTRACT, "abc/def", 4, 3, ""},
        {EXTRACT, "abc/def", -3, 1, "ab"},
        {EXTRACT, "abc/def", 5, 99, "ef"},
        {EXTRACT, "abc/def", 7, 9, ""},
        {EXTRACT, "abc/def", -3, -1, ""},
        {EXTRACT, "", 0, 0, ""},
    };
    for (const Case& c : cases) {
        CMMString s(c.text);
        CMMString got = c.how == BEFORE  ? s.Before(c.first)
                        : c.how == AFTER ? s.After(c.first)
                                         : s.Extract(c.first, c.last);
        EXPECT_EQ(Str(got), c.expected)
            << "cut " << c.how << " of '" << c.text << "' at " << c.first << ", " << c.last;
        EXPECT_EQ(Str(s), c.text);
    }
}

// The plugin splits paths and "key=value" lines around a separator found first.
TEST(CMMStringPositions, SplitAroundASeparator) {
    struct Case {
        const char* text;
        char separator;
        bool reverse;
        const char* before;
        const char* after;
    } cases[] = {
        {"/sdhc:0/MAPPE/007", '/', true, "/sdhc:0/MAPPE", "007"},
        {"CID_SIZE=1234", '=', false, "CID_SIZE", "1234"},
        {"KEY=", '=', false, "KEY", ""},
        {"=VALUE", '=', false, "", "VALUE"},
        {"/ROOT", '/', true, "", "ROOT"},
    };
    for (const Case& c : cases) {
        CMMString s(c.text);
        int k = c.reverse ? s.FindReverse(c.separator) : s.Find(c.separator);
        ASSERT_GE(k, 0) << c.text;
        EXPECT_EQ(Str(s.Before(k - 1)), c.before) << c.text;
        EXPECT_EQ(Str(s.After(k + 1)), c.after) << c.text;
        EXPECT_EQ(Str(s.Extract(k, k)), std::string(1, c.separator));
    }
}

TEST(CMMStringCompare, BothWays) {
    struct Case {
        const char* a;
        const char* b;
        bool exact;
        bool caseless;
    } cases[] = {
        {"TEMP", "TEMP", true, true},
        {"temp", "TEMP", false, true},
        {"TeMp", "tEmP", false, true},
        {"TEMP", "TEMP_007", false, false},
        {"TEMP_007", "TEMP", false, false},
        {"", "", true, true},
        {"", "a", false, false},
        {"CHILE", "CHILE", true, true},
        {"CHILE", "CHILI", false, false},
        {"a/b", "A/B", false, true},
        {"\xe9", "\xc9", false, false},  // only ASCII letters fold
        {"[", "{", false, false},
        {"@", "`", false, false},
    };
    for (const Case& c : cases) {
        CMMString a(c.a);
        CMMString b(c.b);
        EXPECT_EQ(a.Compare(c.b, true), c.exact) << c.a << " vs " << c.b;
        EXPECT_EQ(a.Compare(c.b, false), c.caseless) << c.a << " vs " << c.b;
        EXPECT_EQ(a.Compare(b, true), c.exact) << c.a << " vs " << c.b;
        EXPECT_EQ(a.Compare(b, false), c.caseless) << c.a << " vs " << c.b;
        EXPECT_EQ(b.Compare(a, false), c.caseless) << c.b << " vs " << c.a;
        EXPECT_EQ(a == b, c.exact);
        EXPECT_EQ(a == c.b, c.exact);
        EXPECT_EQ(a != b, !c.exact);
    }
    EXPECT_TRUE(CMMString().Compare(static_cast<const char*>(nullptr), true));
    EXPECT_FALSE(CMMString("a").Compare(static_cast<const char*>(nullptr), false));
}

TEST(CMMStringConvert, ToInt) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"0042", 42},
        {"  17", 17},
        {"\t\n 8", 8},
        {"+5", 5},
        {"-12", -12},
        {"123abc", 123},
        {"12 34", 12},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CMMString(c.text).ToInt(), c.expected) << "'" << c.text << "'";
    }
}

TEST(CMMStringConvert, ToUpperIsAsciiOnly) {
    CMMString s("mappe/temp_007 \xe9z");
    s.ToUpper();
    EXPECT_EQ(Str(s), "MAPPE/TEMP_007 \xe9Z");
    CMMString empty;
    empty.ToUpper();
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(CMMStringConvert, SupprChar) {
    struct Case {
        const char* text;
        const char* chars;
        const char* expected;
    } cases[] = {
        {"\"ITALIA\"", "\"", "ITALIA"},
        {" a b  c ", " ", "abc"},
        {"a b", " x", "ab"},  // only the first character counts
        {"xxxx", "x", ""},
        {"abc", "z", "abc"},
        {"abc", "", "abc"},
        {"abc", nullptr, "abc"},
        {"", " ", ""},
    };
    for (const Case& c : cases) {
        CMMString s(c.text);
        s.SupprChar(c.chars);
        EXPECT_EQ(Str(s), c.expected) << "'" << c.text << "'";
        EXPECT_EQ(s.GetBuffer()[s.GetLength()], '\0');
    }
}

TEST(CMMStringFormat, ReplacesContentAtAnyLength) {
    CMMString s("old content");
    EXPECT_EQ(s.Format("%s/%03d", "/sdhc:0/MAPPE", 7), 17);
    EXPECT_EQ(Str(s), "/sdhc:0/MAPPE/007");

    std::string big(100000, 'x');
    big[50000] = 'y';
    EXPECT_EQ(s.Format("[%s]%d", big.c_str(), 12), 100004);
    EXPECT_EQ(Str(s), "[" + big + "]12");

    EXPECT_EQ(s.Format("%s", ""), 0);
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.GetBuffer(), "");

    s = "kept";
    // Called through a pointer so that the compiler's format check lets a null format through.
    int (CMMString::*format)(const char*, ...) = &CMMString::Format;
    EXPECT_EQ((s.*format)(nullptr), -1);
    EXPECT_EQ(Str(s), "kept");
}

}  // namespace
