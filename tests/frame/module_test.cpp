/*
 * The built module, loaded by path as the upgrade manager loads it: every
 * entry point found by its unmangled name, before a plugin exists, with one,
 * and after the unload hook; the load hooks run once each.
 */
#include <dlfcn.h>
#include <elf.h>

#include <fstream>
#include <set>

#include "frame_fixture.h"
#include "spawn_hook.h"
#include "upgplugin_entry.h"

namespace frame_test {
namespace {

const char* const k_entry_points[] = {
    "upgplugin_GetInstance",
    "upgplugin_GetVersionOfInterface",
    "upgplugin_GetVersionOfPlugin",
    "upgplugin_GetSubVersionOfPlugin",
    "upgplugin_GetUpgradeType",
    "upgplugin_GetNumberOfInfos",
    "upgplugin_SetIndexOfInfos",
    "upgplugin_GetUpgradeName",
    "upgplugin_GetIdentifier",
    "upgplugin_GetVersionOfData",
    "upgplugin_GetOldVersionOfData",
    "upgplugin_GetSizeOfData",
    "upgplugin_GetOldSizeOfData",
    "upgplugin_ResetElementsToUpgrade",
    "upgplugin_PushElements",
    "upgplugin_ShowStatus",
    "upgplugin_CancelCurrentAction",
    "upgplugin_EndOfExternalTreatment",
    "upgplugin_LaunchCheckCompatibility",
    "upgplugin_LaunchCheckMedia",
    "upgplugin_LaunchUpgrade",
    "upgplugin_LaunchEndOfUpgrade",
    "_init",
    "_finit",
};

/* The module's entry points, found by name as the manager finds them. */
struct Module {
    void* handle = nullptr;

    template <class Function>
    Function* Get(const char* p_name) {
        return reinterpret_cast<Function*>(dlsym(handle, p_name));
    }

    decltype(&upgplugin_GetInstance) GetInstance;
    decltype(&upgplugin_GetVersionOfInterface) GetVersionOfInterface;
    decltype(&upgplugin_GetVersionOfPlugin) GetVersionOfPlugin;
    decltype(&upgplugin_GetSubVersionOfPlugin) GetSubVersionOfPlugin;
    decltype(&upgplugin_GetUpgradeType) GetUpgradeType;
    decltype(&upgplugin_GetNumberOfInfos) GetNumberOfInfos;
    decltype(&upgplugin_SetIndexOfInfos) SetIndexOfInfos;
    decltype(&upgplugin_GetUpgradeName) GetUpgradeName;
    decltype(&upgplugin_GetIdentifier) GetIdentifier;
    decltype(&upgplugin_GetVersionOfData) GetVersionOfData;
    decltype(&upgplugin_GetOldVersionOfData) GetOldVersionOfData;
    decltype(&upgplugin_GetSizeOfData) GetSizeOfData;
    decltype(&upgplugin_GetOldSizeOfData) GetOldSizeOfData;
    decltype(&upgplugin_ResetElementsToUpgrade) ResetElementsToUpgrade;
    decltype(&upgplugin_PushElements) PushElements;
    decltype(&upgplugin_ShowStatus) ShowStatus;
    decltype(&upgplugin_CancelCurrentAction) CancelCurrentAction;
    decltype(&upgplugin_EndOfExternalTreatment) EndOfExternalTreatment;
    decltype(&upgplugin_LaunchCheckCompatibility) LaunchCheckCompatibility;
    decltype(&upgplugin_LaunchCheckMedia) LaunchCheckMedia;
    decltype(&upgplugin_LaunchUpgrade) LaunchUpgrade;
    decltype(&upgplugin_LaunchEndOfUpgrade) LaunchEndOfUpgrade;
    decltype(&_init) Init;
    decltype(&_finit) Finit;

    bool Load() {
        handle = dlopen(UPGPLUGIN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            return false;
        }
#define UPG_FIND(member, name) member = Get<std::remove_pointer_t<decltype(member)>>(name)
        UPG_FIND(GetInstance, "upgplugin_GetInstance");
        UPG_FIND(GetVersionOfInterface, "upgplugin_GetVersionOfInterface");
        UPG_FIND(GetVersionOfPlugin, "upgplugin_GetVersionOfPlugin");
        UPG_FIND(GetSubVersionOfPlugin, "upgplugin_GetSubVersionOfPlugin");
        UPG_FIND(GetUpgradeType, "upgplugin_GetUpgradeType");
        UPG_FIND(GetNumberOfInfos, "upgplugin_GetNumberOfInfos");
        UPG_FIND(SetIndexOfInfos, "upgplugin_SetIndexOfInfos");
        UPG_FIND(GetUpgradeName, "upgplugin_GetUpgradeName");
        UPG_FIND(GetIdentifier, "upgplugin_GetIdentifier");
        UPG_FIND(GetVersionOfData, "upgplugin_GetVersionOfData");
        UPG_FIND(GetOldVersionOfData, "upgplugin_GetOldVersionOfData");
        UPG_FIND(GetSizeOfData, "upgplugin_GetSizeOfData");
        UPG_FIND(GetOldSizeOfData, "upgplugin_GetOldSizeOfData");
        UPG_FIND(ResetElementsToUpgrade, "upgplugin_ResetElementsToUpgrade");
        UPG_FIND(PushElements, "upgplugin_PushElements");
        UPG_FIND(ShowStatus, "upgplugin_ShowStatus");
        UPG_FIND(CancelCurrentAction, "upgplugin_CancelCurrentAction");
        UPG_FIND(EndOfExternalTreatment, "upgplugin_EndOfExternalTreatment");
        UPG_FIND(LaunchCheckCompatibility, "upgplugin_LaunchCheckCompatibility");
        UPG_FIND(LaunchCheckMedia, "upgplugin_LaunchCheckMedia");
        UPG_FIND(LaunchUpgrade, "upgplugin_LaunchUpgrade");
        UPG_FIND(LaunchEndOfUpgrade, "upgplugin_LaunchEndOfUpgrade");
        UPG_FIND(Init, "_init");
        UPG_FIND(Finit, "_finit");
#undef UPG_FIND
        return true;
    }
};

class ModuleTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        WriteHostFile(m_root / "bd0/UpgPlugin.out.inf", "VER=4.2.1\nSUBVER=B07\n");
        host::clearSyslog();
        spawn_hook::ClearSpawned();
    }
    void TearDown() override {
        /* A step task still running in the module must end before the module goes. */
        EXPECT_TRUE(spawn_hook::WaitSpawnedEnded());
        if (m_module.handle != nullptr) {
            dlclose(m_module.handle);
        }
        FrameTest::TearDown();
    }

    /* Every forwarding entry answers its default and empties its strings. */
    void ExpectDefaults() {
        EXPECT_EQ(0, m_module.GetVersionOfInterface());
        EXPECT_EQ(0, m_module.GetVersionOfPlugin());
        EXPECT_EQ(0, m_module.GetUpgradeType());
        EXPECT_EQ(-1, m_module.GetNumberOfInfos());
        EXPECT_EQ(0, m_module.GetSizeOfData());
        EXPECT_EQ(0, m_module.GetOldSizeOfData());
        EXPECT_EQ(-1, m_module.ShowStatus());
        EXPECT_EQ(-1, m_module.CancelCurrentAction());
        EXPECT_EQ(-1, m_module.EndOfExternalTreatment());
        m_module.SetIndexOfInfos(3);
        m_module.ResetElementsToUpgrade();
        m_module.PushElements("040", 12, "1.2");

        CMMString l_text("stale");
        m_module.GetSubVersionOfPlugin(l_text);
        EXPECT_TRUE(l_text.IsEmpty());
        l_text = "stale";
        EXPECT_EQ(-1, m_module.GetUpgradeName(l_text));
        EXPECT_TRUE(l_text.IsEmpty());
        for (auto l_getter :
             {m_module.GetIdentifier, m_module.GetVersionOfData, m_module.GetOldVersionOfData}) {
            l_text = "stale";
            l_getter(l_text);
            EXPECT_TRUE(l_text.IsEmpty());
        }
        ExpectNullLaunchesRefused();
    }

    void ExpectNullLaunchesRefused() {
        uint64_t l_spawned = platform::tasksSpawned();
        EXPECT_EQ(-1, m_module.LaunchCheckCompatibility(nullptr));
        EXPECT_EQ(-1, m_module.LaunchCheckMedia(nullptr));
        EXPECT_EQ(-1, m_module.LaunchUpgrade(nullptr));
        EXPECT_EQ(-1, m_module.LaunchEndOfUpgrade(nullptr));
        EXPECT_EQ(l_spawned, platform::tasksSpawned());
    }

    Module m_module;
};

TEST_F(ModuleTest, ExportsEveryEntryPointByItsPlainName) {
    ASSERT_TRUE(m_module.Load()) << dlerror();
    for (const char* l_name : k_entry_points) {
        SCOPED_TRACE(l_name);
        void* l_address = dlsym(m_module.handle, l_name);
        ASSERT_NE(nullptr, l_address);
        Dl_info l_info;
        ASSERT_NE(0, dladdr(l_address, &l_info));
        EXPECT_STREQ(UPGPLUGIN_MODULE_PATH, l_info.dli_fname);
        EXPECT_STREQ(l_name, l_info.dli_sname);
    }
}

/* Defined functions and objects of the module's dynamic symbol table, by name. */
std::set<std::string> ExportedNames(const char* p_path) {
    std::ifstream l_in(p_path, std::ios::binary);
    std::string l_file((std::istreambuf_iterator<char>(l_in)), std::istreambuf_iterator<char>());
    std::set<std::string> l_names;
    if (l_file.size() < sizeof(Elf64_Ehdr) || l_file.compare(0, SELFMAG, ELFMAG) != 0 ||
        l_file[EI_CLASS] != ELFCLASS64) {
        ADD_FAILURE() << "not a 64-bit ELF file: " << p_path;
        return l_names;
    }
    const char* l_base = l_file.data();
    const Elf64_Ehdr* l_header = reinterpret_cast<const Elf64_Ehdr*>(l_base);
    const Elf64_Shdr* l_sections = reinterpret_cast<const Elf64_Shdr*>(l_base + l_header->e_shoff);
    for (int l_i = 0; l_i < l_header->e_shnum; l_i++) {
        if (l_sections[l_i].sh_type != SHT_DYNSYM) {
            continue;
        }
        const Elf64_Shdr& l_strings = l_sections[l_sections[l_i].sh_link];
        const Elf64_Sym* l_symbols =
            reinterpret_cast<const Elf64_Sym*>(l_base + l_sections[l_i].sh_offset);
        size_t l_count = l_sections[l_i].sh_size / sizeof(Elf64_Sym);
        for (size_t l_s = 0; l_s < l_count; l_s++) {
            const Elf64_Sym& l_symbol = l_symbols[l_s];
            int l_type = ELF64_ST_TYPE(l_symbol.st_info);
            if (l_symbol.st_shndx == SHN_UNDEF || (l_type != STT_FUNC && l_type != STT_OBJECT)) {
                continue;
            }
            l_names.insert(l_base + l_strings.sh_offset + l_symbol.st_name);
        }
    }
    return l_names;
}

TEST_F(ModuleTest, ExportsNoOtherPlainName) {
    std::set<std::string> l_expected(std::begin(k_entry_points), std::end(k_entry_points));
    l_expected.insert("Untar");
    std::set<std::string> l_plain;
    for (const std::string& l_name : ExportedNames(UPGPLUGIN_MODULE_PATH)) {
        /* C++ names are mangled; "__" names belong to the compiler's runtime. */
        if (l_name.compare(0, 2, "_Z") != 0 && l_name.compare(0, 2, "__") != 0) {
            l_plain.insert(l_name);
        }
    }
    EXPECT_EQ(l_expected, l_plain);
}

TEST_F(ModuleTest, HooksRunOnceWhoeverCallsThem) {
    ASSERT_TRUE(m_module.Load()) << dlerror();
    EXPECT_EQ(1u, SyslogCount("============> Upgrade carto : _init"));
    m_module.Init();
    EXPECT_EQ(1u, SyslogCount("============> Upgrade carto : _init"));

    ASSERT_NE(nullptr, m_module.GetInstance(CMMString("/bd0/")));
    m_module.Finit();
    EXPECT_EQ(1u, SyslogCount("============> Upgrade carto : _finit"));
    EXPECT_EQ(1u, SyslogCount("(C_MAP_UPG_PLUGIN) << Destructor + >>"));

    /* A plugin made after the manager's own _finit still goes with the module. */
    ASSERT_NE(nullptr, m_module.GetInstance(CMMString("/bd0/")));
    ASSERT_EQ(0, dlclose(m_module.handle));
    m_module.handle = nullptr;
    EXPECT_EQ(1u, SyslogCount("============> Upgrade carto : _finit"));
    EXPECT_EQ(2u, SyslogCount("(C_MAP_UPG_PLUGIN) << Destructor + >>"));

    /* Loaded again, the hooks run again. */
    ASSERT_TRUE(m_module.Load()) << dlerror();
    EXPECT_EQ(2u, SyslogCount("============> Upgrade carto : _init"));
    ASSERT_EQ(0, dlclose(m_module.handle));
    m_module.handle = nullptr;
    EXPECT_EQ(2u, SyslogCount("============> Upgrade carto : _finit"));
}

TEST_F(ModuleTest, EntryPointsBeforeWithAndAfterThePlugin) {
    ASSERT_TRUE(m_module.Load()) << dlerror();
    {
        SCOPED_TRACE("before upgplugin_GetInstance");
        ExpectDefaults();
    }

    C_UPG_PLUGIN_Interface* l_plugin = m_module.GetInstance(CMMString("/bd0/"));
    ASSERT_NE(nullptr, l_plugin);
    EXPECT_EQ(l_plugin, m_module.GetInstance(CMMString("/other/")));
    EXPECT_STREQ("/bd0/", l_plugin->m_upgrade_root_path.GetBuffer());
    {
        SCOPED_TRACE("with a plugin");
        EXPECT_EQ(6, m_module.GetVersionOfInterface());
        EXPECT_EQ(100, m_module.GetVersionOfPlugin());
        EXPECT_EQ(0, m_module.EndOfExternalTreatment());
        EXPECT_EQ(0, m_module.ShowStatus());
        CMMString l_text("stale");
        m_module.GetSubVersionOfPlugin(l_text);
        EXPECT_STREQ("B07", l_text.GetBuffer());
        /* The rest answer what the plugin answers. */
        EXPECT_EQ(l_plugin->GetNumberOfInfos(), m_module.GetNumberOfInfos());
        EXPECT_EQ(l_plugin->GetUpgradeType(), m_module.GetUpgradeType());
        EXPECT_EQ(l_plugin->GetSizeOfData(), m_module.GetSizeOfData());
        EXPECT_EQ(l_plugin->GetOldSizeOfData(), m_module.GetOldSizeOfData());
        m_module.SetIndexOfInfos(0);
        m_module.ResetElementsToUpgrade();
        m_module.PushElements("040", 12, "1.2");
        for (auto l_getter :
             {m_module.GetIdentifier, m_module.GetVersionOfData, m_module.GetOldVersionOfData}) {
            l_text = "stale";
            l_getter(l_text);
        }
        l_text = "stale";
        CMMString l_direct;
        EXPECT_EQ(l_plugin->GetUpgradeName(l_direct), m_module.GetUpgradeName(l_text));
        EXPECT_STREQ(l_direct.GetBuffer(), l_text.GetBuffer());
        (void)m_module.CancelCurrentAction();
        ExpectNullLaunchesRefused();
    }

    m_module.Finit();
    {
        SCOPED_TRACE("after _finit");
        ExpectDefaults();
    }
    ASSERT_NE(nullptr, m_module.GetInstance(CMMString("/bd0/")));
    EXPECT_EQ(6, m_module.GetVersionOfInterface());
}

TEST_F(ModuleTest, LaunchEntriesDriveThePluginTheyAreGiven) {
    ASSERT_TRUE(m_module.Load()) << dlerror();
    C_UPG_PLUGIN_Interface* l_plugin = m_module.GetInstance(CMMString("/bd0/"));
    ASSERT_NE(nullptr, l_plugin);
    host::clearCalls();
    using Launch = int (*)(C_UPG_PLUGIN_Interface*);
    for (Launch l_launch : {m_module.LaunchCheckCompatibility, m_module.LaunchCheckMedia,
                            m_module.LaunchUpgrade, m_module.LaunchEndOfUpgrade}) {
        spawn_hook::ClearSpawned();
        ASSERT_EQ(0, l_launch(l_plugin));
        ASSERT_EQ(1u, spawn_hook::Spawned().size());
        /* The whole task, notifications included, before the next step. */
        ASSERT_TRUE(spawn_hook::WaitSpawnedEnded());
        EXPECT_EQ(0, TaskId(*l_plugin));
    }
    /* Only the upgrade step notifies when nothing went wrong. */
    EXPECT_EQ(1u, host::countOf(host::Op::EndOfUpgrade));
}

}  // namespace
}  // namespace frame_test
