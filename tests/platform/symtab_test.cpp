#include <platform/sim.h>
#include <platform/symtab.h>

#include <gtest/gtest.h>

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

TEST(SymbolTable, HiddenAndUnknownNamesAreMissing) {
    char* value = nullptr;
    platform::hideSymbol(kMangled);
    EXPECT_EQ(-1, symFindByName(sysSymTbl, kMangled, &value, nullptr));
    platform::unhideSymbol(kMangled);
    EXPECT_EQ(0, symFindByName(sysSymTbl, kMangled, &value, nullptr));
    platform::hideSymbol("dosFsVolumeReadOnlySet");
    EXPECT_EQ(-1, symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &value, nullptr));
    platform::unhideAllSymbols();
    EXPECT_EQ(0, symFindByName(sysSymTbl, "dosFsVolumeReadOnlySet", &value, nullptr));
    EXPECT_EQ(-1, symFindByName(sysSymTbl, "_ZN8SymProbe9NoSuchOneEv", &value, nullptr));
    EXPECT_EQ(-1, symFindByName(sysSymTbl, nullptr, &value, nullptr));
    EXPECT_EQ(-1, symFindByName(sysSymTbl, kMangled, nullptr, nullptr));
    EXPECT_EQ(-1, symFindByName(nullptr, kMangled, &value, nullptr));
}

}  // namespace
