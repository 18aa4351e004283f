#include "host_fixture.h"

#include <host/board_ids.h>
#include <host/config_system.h>
#include <host/context_data.h>
#include <host/dateclock.h>
#include <host/reboot.h>
#include <host/simulation.h>
#include <host/storage.h>

#include <platform/fileio.h>
#include <platform/sim.h>

#include <cstdint>
#include <cstdio>
#include <string>

TEST_F(HostTest, CartographyDirAndItsFailure) {
    C_FS_STORAGE_ENTITY volume;
    EXPECT_STREQ(volume.GetName().GetBuffer(), "");
    EXPECT_EQ(C_FS_STORAGE_CTRL_PATH::GetCartographyDir(volume), 0);
    EXPECT_STREQ(volume.GetName().GetBuffer(), "/sdhc:0/");

    C_FS_STORAGE_ENTITY copy(volume);
    EXPECT_STREQ(copy.GetName().GetBuffer(), "/sdhc:0/");

    host::setCartographyDirResult(-1);
    C_FS_STORAGE_ENTITY other;
    EXPECT_EQ(C_FS_STORAGE_CTRL_PATH::GetCartographyDir(other), -1);
    EXPECT_STREQ(other.GetName().GetBuffer(), "");
    host::setCartographyDirResult(3);
    EXPECT_EQ(C_FS_STORAGE_CTRL_PATH::GetCartographyDir(volume), 3);
    EXPECT_STREQ(volume.GetName().GetBuffer(), "/sdhc:0/");
}

TEST_F(HostTest, FreeSpaceComesFromTheVolume) {
    platform::DeviceOptions card;
    card.fat = true;
    card.capacity = 10 * 1024 * 1024;
    ASSERT_TRUE(platform::addDevice("/sdhc:0", HostFolder("tmpdata"), card));

    C_FS_STORAGE_ENTITY volume;
    ASSERT_EQ(C_FS_STORAGE_CTRL_PATH::GetCartographyDir(volume), 0);
    long long bytes = -5;
    ASSERT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(volume, bytes), 0);
    EXPECT_GT(bytes, 0);
    EXPECT_LE(bytes, 10LL * 1024 * 1024);
    EXPECT_EQ(bytes % 4096, 0);
    struct unit_statfs figures;
    ASSERT_EQ(fsStatfs("/sdhc:0/", &figures), 0);
    EXPECT_EQ(bytes, static_cast<long long>(figures.f_bavail) * figures.f_bsize);

    // Writing to the card shows in the next reading.
    FILE* file = fsFopen("/sdhc:0/fill.bin", "wb");
    ASSERT_NE(file, nullptr);
    const std::string block(3 * 4096, 'x');
    ASSERT_EQ(fwrite(block.data(), 1, block.size(), file), block.size());
    fclose(file);
    long long after = 0;
    ASSERT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(volume, after), 0);
    EXPECT_EQ(after, bytes - static_cast<long long>(block.size()));

    host::setFreeSpaceSource([](const std::string& name, long long& out) {
        out = name == "/sdhc:0/" ? 123456789LL : 0;
        return 0;
    });
    ASSERT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(volume, bytes), 0);
    EXPECT_EQ(bytes, 123456789LL);
    host::setFreeSpaceSource([](const std::string&, long long&) { return -1; });
    EXPECT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(volume, bytes), -1);
    EXPECT_EQ(bytes, 123456789LL);
    host::setFreeSpaceSource(nullptr);

    ASSERT_TRUE(platform::setDevicePresent("/sdhc:0", false));
    EXPECT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(volume, bytes), -1);
    C_FS_STORAGE_ENTITY unnamed;
    EXPECT_EQ(C_FS_STORAGE_CTRL_IO::GetFreeSpace(unnamed, bytes), -1);
}

TEST_F(HostTest, PermanentDeviceNames) {
    CMMString name("untouched");
    EXPECT_EQ(PermanentDevice_GetDeviceName(PERMANENT_DEVICE_SD_CARD, &name), 0);
    EXPECT_STREQ(name.GetBuffer(), "/sdhc:0");
    name = "untouched";
    EXPECT_EQ(PermanentDevice_GetDeviceName(2, &name), -1);
    EXPECT_STREQ(name.GetBuffer(), "untouched");
    EXPECT_EQ(PermanentDevice_GetDeviceName(5, nullptr), -1);
    host::setPermanentDeviceName(5, "");
    EXPECT_EQ(PermanentDevice_GetDeviceName(5, &name), -1);
}

TEST_F(HostTest, ClockCountsMonthsFromZero) {
    host::setClock(24, 0, 31, 23, 59, 58);
    C_BCM_DATECLOCK_NETWORK* clock = C_BCM_DATECLOCK_NETWORK::Instance();
    ASSERT_NE(clock, nullptr);
    t_dateclock_time time = {};
    t_dateclock_date date = {};
    EXPECT_EQ(clock->GetTime(time), 0);
    EXPECT_EQ(clock->GetDate(date), 0);
    EXPECT_EQ(time.hour, 23);
    EXPECT_EQ(time.minute, 59);
    EXPECT_EQ(time.second, 58);
    EXPECT_EQ(date.day, 31);
    EXPECT_EQ(date.month, 0);
    EXPECT_EQ(date.year, 24);

    host::useRealClock();
    EXPECT_EQ(clock->GetDate(date), 0);
    EXPECT_GE(date.month, 0);
    EXPECT_LE(date.month, 11);
    EXPECT_GE(date.year, 0);
    EXPECT_LE(date.year, 99);
}

TEST_F(HostTest, UpgradeStateIsContextItem18001) {
    int32_t state = -1;
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Get(18001, &state, 4), 0);
    EXPECT_EQ(state, 0);

    host::setUpgradeState(BCM_UPGRADE_ENDED_KO);
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Get(18001, &state, 4), 0);
    EXPECT_EQ(state, 7);

    int32_t written = 3;
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Set(18000, 18001, &written, 4), 0);
    EXPECT_EQ(host::upgradeState(), 3);
    host::Call call{host::Op::ContextSet};
    ASSERT_TRUE(host::waitForCall(host::Op::ContextSet, 1000, &call));
    EXPECT_EQ(call.a, 18000);
    EXPECT_EQ(call.b, 18001);

    host::setResult(host::Op::ContextSet, -1);
    written = 9;
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Set(18000, 18001, &written, 4), -1);
    EXPECT_EQ(host::upgradeState(), 3);

    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Get(18001, &state, 2), -1);
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Get(4242, &state, 4), -1);
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Get(18001, nullptr, 4), -1);
    EXPECT_EQ(C_CONTEXT_DYNAMIC_DATA::Set(18000, 18001, nullptr, 4), -1);
}

TEST_F(HostTest, ConfigurationAndBoards) {
    EXPECT_EQ(C_CONFIG_SYSTEM::GetValue("SETUP_FLAG_NAV_ACTIVATED"), 1);
    host::setConfigValue("SETUP_FLAG_NAV_ACTIVATED", 0);
    EXPECT_EQ(C_CONFIG_SYSTEM::GetValue("SETUP_FLAG_NAV_ACTIVATED"), 0);
    EXPECT_EQ(C_CONFIG_SYSTEM::GetValue("UNKNOWN"), 0);
    EXPECT_EQ(C_CONFIG_SYSTEM::GetValue(nullptr), 0);

    EXPECT_EQ(GetMBId1(), 5);
    EXPECT_EQ(GetMBId2(), 9);
    EXPECT_EQ(GetDBId1(), 4);
    host::setBoardIds(3, 1, 2);
    EXPECT_EQ(GetMBId1(), 3);
    EXPECT_EQ(GetMBId2(), 1);
    EXPECT_EQ(GetDBId1(), 2);
}

TEST_F(HostTest, RebootsAreOnlyRecorded) {
    EXPECT_EQ(C_OBJ_PTR_Table::GetObjPtr(1, 0), nullptr);
    EXPECT_EQ(C_OBJ_PTR_Table::GetObjPtr(26400, 1), nullptr);
    C_BCM_FAILSOFT* failsoft = static_cast<C_BCM_FAILSOFT*>(C_OBJ_PTR_Table::GetObjPtr(26400, 0));
    ASSERT_NE(failsoft, nullptr);
    EXPECT_EQ(failsoft->RebootSystem(true), 0);
    EmergencyReboot();
    host::setFailsoftPresent(false);
    EXPECT_EQ(C_OBJ_PTR_Table::GetObjPtr(26400, 0), nullptr);

    std::vector<host::Call> calls = host::calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].op, host::Op::RebootSystem);
    EXPECT_EQ(calls[0].a, 1);
    EXPECT_EQ(calls[1].op, host::Op::EmergencyReboot);
}
