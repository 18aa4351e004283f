// The plugin reaches newer host operations only by their mangled names.
#include "host_fixture.h"

#include <host/C_BCM_UPGRADE.h>
#include <host/nav_build_dest.h>
#include <host/simulation.h>

#include <platform/sim.h>
#include <platform/symtab.h>

#include <type_traits>

namespace {

// Looked-up members are called as plain functions taking the object first: no virtual table.
static_assert(!std::is_polymorphic<C_BCM_UPGRADE>::value,
              "manager operations must stay non-virtual");
static_assert(!std::is_polymorphic<C_BCM_NAV_BUILD_DEST>::value,
              "navigation operations must stay non-virtual");

void* Lookup(const char* name) {
    char* value = nullptr;
    if (symFindByName(sysSymTbl, name, &value, nullptr) != 0) return nullptr;
    return value;
}

typedef int (*t_bcm_call)(C_BCM_UPGRADE*);
typedef int (*t_bcm_send)(C_BCM_UPGRADE*, C_BCM_UPGRADE_msg_plugin);
typedef C_BCM_NAV_BUILD_DEST* (*t_nav_instance)();
typedef int (*t_nav_start)(C_BCM_NAV_BUILD_DEST*, C_BCM_NAV_BUILD_DEST::t_upgrade_type);
typedef int (*t_nav_stop)(C_BCM_NAV_BUILD_DEST*);

const char* const kSendName = "_ZN13C_BCM_UPGRADE17SendPluginMessageE24C_BCM_UPGRADE_msg_plugin";
const char* const kNavInstance = "_Z29C_BCM_NAV_BUILD_DEST_Instancev";
const char* const kNavStop = "_ZN20C_BCM_NAV_BUILD_DEST11StopUpgradeEv";
const char* const kNavStart = "_ZN20C_BCM_NAV_BUILD_DEST12StartUpgradeENS_14t_upgrade_typeE";

}  // namespace

TEST_F(HostTest, ManagerOperationsAreFoundByMangledName) {
    host::createManager();
    C_BCM_UPGRADE* bcm = C_BCM_UPGRADE::Instance();
    ASSERT_NE(bcm, nullptr);

    const struct {
        const char* symbol;
        host::Op op;
    } plain[] = {
        {"_ZN13C_BCM_UPGRADE12EndOfUpgradeEv", host::Op::EndOfUpgrade},
        {"_ZN13C_BCM_UPGRADE26UpgradeAbortedByExtractionEv", host::Op::UpgradeAbortedByExtraction},
        {"_ZN13C_BCM_UPGRADE19SetMediaContinentIDEv", host::Op::SetMediaContinentID},
        {"_ZN13C_BCM_UPGRADE24PluginWantToRebootSystemEv", host::Op::PluginWantToRebootSystem},
    };
    for (const auto& entry : plain) {
        SCOPED_TRACE(entry.symbol);
        t_bcm_call call = reinterpret_cast<t_bcm_call>(Lookup(entry.symbol));
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call(bcm), 0);
        host::setResult(entry.op, -1);
        EXPECT_EQ(call(bcm), -1);
        EXPECT_EQ(host::countOf(entry.op), 2u);
    }

    t_bcm_send send = reinterpret_cast<t_bcm_send>(Lookup(kSendName));
    ASSERT_NE(send, nullptr);
    C_BCM_UPGRADE_msg_plugin message(0x1234ABCDu, 0x42);
    EXPECT_EQ(send(bcm, message), 0);
    host::Call call{host::Op::SendPluginMessage};
    ASSERT_TRUE(host::waitForCall(host::Op::SendPluginMessage, 1000, &call));
    EXPECT_EQ(call.a, 0x1234ABCD);
    EXPECT_EQ(call.b, 0x42);
    EXPECT_EQ(message.GetMsgContent(), 0x1234ABCDu);
}

TEST_F(HostTest, NavigationOperationsAreFoundByMangledName) {
    t_nav_instance instance = reinterpret_cast<t_nav_instance>(Lookup(kNavInstance));
    t_nav_start start = reinterpret_cast<t_nav_start>(Lookup(kNavStart));
    t_nav_stop stop = reinterpret_cast<t_nav_stop>(Lookup(kNavStop));
    ASSERT_NE(instance, nullptr);
    ASSERT_NE(start, nullptr);
    ASSERT_NE(stop, nullptr);

    C_BCM_NAV_BUILD_DEST* nav = instance();
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(start(nav, C_BCM_NAV_BUILD_DEST::UPGRADE_TYPE_MAP), 0);
    EXPECT_TRUE(host::navigationInUpgradeMode());
    host::setResult(host::Op::NavStopUpgrade, -1);
    EXPECT_EQ(stop(nav), -1);
    EXPECT_TRUE(host::navigationInUpgradeMode());
    host::setResult(host::Op::NavStopUpgrade, 0);
    EXPECT_EQ(stop(nav), 0);
    EXPECT_FALSE(host::navigationInUpgradeMode());

    std::vector<host::Call> calls = host::calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, host::Op::NavStartUpgrade);
    EXPECT_EQ(calls[0].a, 0);
    EXPECT_EQ(calls[1].op, host::Op::NavStopUpgrade);
    EXPECT_EQ(calls[2].op, host::Op::NavStopUpgrade);

    host::setNavigationPresent(false);
    EXPECT_EQ(instance(), nullptr);
}

TEST_F(HostTest, HiddenOperationIsNotFound) {
    ASSERT_NE(Lookup("_ZN13C_BCM_UPGRADE12EndOfUpgradeEv"), nullptr);
    platform::hideSymbol("_ZN13C_BCM_UPGRADE12EndOfUpgradeEv");
    platform::hideSymbol(kNavStart);
    EXPECT_EQ(Lookup("_ZN13C_BCM_UPGRADE12EndOfUpgradeEv"), nullptr);
    EXPECT_EQ(Lookup(kNavStart), nullptr);
    EXPECT_NE(Lookup(kNavStop), nullptr);
    platform::unhideSymbol(kNavStart);
    EXPECT_NE(Lookup(kNavStart), nullptr);
    EXPECT_EQ(Lookup("_ZN13C_BCM_UPGRADE99NoSuchOperationEv"), nullptr);
}
