#include <platform/sim.h>
#include <platform/symtab.h>

#include <gtest/gtest.h>

#include <errno.h>

// A member function of this program, found by its mangled name as the plugin
// finds the host's operations.
class SymProbe {
  public:
    int Twice(int value);
    int m_base = 1;
};

__attribute__((noinline)) int SymProbe::Twice(int value) { return m_base + 2 * value; }

namespace {

const char kMangled[] = "_ZN8SymProbe5TwiceEi";

TEST(SymbolTable, FindsAMemberFunctionOfTheProcessByItsMangledName) {
    char* value = nullptr;
    SYM_TYPE type = 0xff;
    ASSERT_EQ(0, symFindByName(sysSymTbl, kMangled, &value, &type));
    ASSERT_NE(nullptr, value);
    auto twice = reinterpret_cast<int (*)(SymProbe*, int)>(value);
    SymProbe probe;
    probe.m_base = 10;
    EXPECT_EQ(10 + 2 * 21, twice(&probe, 21));
    // The type may be left null.
    EXPECT_EQ(0, symFindByName(sysSymTbl, kMangled, &value, nullptr));
}

TEST(SymbolTable, FindsAFunctionOfASharedLibraryOfTheProcess) {
    // platform::tickMicros(), defined in the platform's shared library.
    char* value = nullptr;
    ASSERT_EQ(0, symFindByName(sysSymTbl, "_ZN8platform10tickMicrosEv", &value, nullptr));
    platform::setTickMicros(1234);
    EXPECT_EQ(1234, reinterpret_cast<long (*)()>(value)());
    platform::setTickMicros(2000);
}

TEST(SymbolTable, HiddenUnknownAndBadNamesAreMissing) {
    platform::hideSymbol(kMangled);
    platform::hideSymbol("dosFsVolumeReadOnlySet");
    char sentinel = 0;
    char* value = &sentinel;
    const struct {
        const char* what;
        SYMTAB_ID table;
        const char* name;
        char** out;
    } missing[] = {
        {"hidden member", sysSymTbl, kMangled, &value},
        {"hidden C function", sysSymTbl, "dosFsVolumeReadOnlySet", &value},
        {"unknown", sysSymTbl, "_ZN8SymProbe9NoSuchOneEv", &value},
        {"demangled name", sysSymTbl, "SymProbe::Twice(int)", &value},
        {"prefix of a name", sysSymTbl, "_ZN8SymProbe5Twice", &value},
        {"empty name", sysSymTbl, "", &value},
        {"null name", sysSymTbl, nullptr, &value},
        {"null value", sysSymTbl, kMangled, nullptr},
        {"null table", nullptr, "dosFsVolumeReadOnlySet", &value},
    };
    for (const auto& c : missing) {
        errno = 0;
        EXPECT_EQ(-1, symFindByName(c.table, c.name, c.out, nullptr)) << c.what;
        EXPECT_NE(0, errno) << c.what;
        EXPECT_EQ(&sentinel, value) << c.what;  // left as it was
    }
    platform::unhideSymbol(kMangled);
    EXPECT_EQ(0, symFindByName(sysSymTbl, kMangled, &value, nullptr));
    EXPECT_EQ(-1, symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &value, nullptr));
    platform::unhideAllSymbols();
    EXPECT_EQ(0, symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &value, nullptr));
}

}  // namespace
