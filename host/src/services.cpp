// The unit's smaller services: storage, clock, context data, configuration,
// board identity, reboot and navigation, with their simulation controls.
#include <host/board_ids.h>
#include <host/config_system.h>
#include <host/context_data.h>
#include <host/dateclock.h>
#include <host/nav_build_dest.h>
#include <host/reboot.h>
#include <host/simulation.h>
#include <host/storage.h>

#include <platform/fileio.h>

#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Clock {
    bool fixed = false;
    int year = 0, month = 0, day = 1, hour = 0, minute = 0, second = 0;
};

struct Services {
    std::mutex mutex;
    std::string cartographyDir;
    int cartographyDirResult = 0;
    std::map<int, std::string> deviceNames;
    std::function<int(const std::string&, long long&)> freeSpaceSource;
    Clock clock;
    std::map<int, std::vector<unsigned char>> context;
    std::map<std::string, int> config;
    int mb1 = 5, mb2 = 9, db1 = 4;
    bool failsoftPresent = true;
    bool navigationPresent = true;
    bool navigationInUpgradeMode = false;
};

Services& services() {
    static Services s;
    return s;
}

void ResetLocked(Services& s) {
    s.cartographyDir = "/sdhc:0/";
    s.cartographyDirResult = 0;
    s.deviceNames.clear();
    s.deviceNames[PERMANENT_DEVICE_SD_CARD] = "/sdhc:0";
    s.freeSpaceSource = nullptr;
    s.clock = Clock();
    s.context.clear();
    s.context[CDD_ITEM_UPGRADE_STATE] = std::vector<unsigned char>(sizeof(int32_t), 0);
    s.config.clear();
    s.config["SETUP_FLAG_NAV_ACTIVATED"] = 1;
    s.mb1 = 5;
    s.mb2 = 9;
    s.db1 = 4;
    s.failsoftPresent = true;
    s.navigationPresent = true;
    s.navigationInUpgradeMode = false;
}

// Defaults without an explicit reset().
struct Initialiser {
    Initialiser() {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        ResetLocked(s);
    }
} g_initialiser;

C_BCM_FAILSOFT g_failsoft;
C_BCM_DATECLOCK_NETWORK g_clock;
C_BCM_NAV_BUILD_DEST g_navigation;

}  // namespace

// ---- Storage ----------------------------------------------------------------

C_FS_STORAGE_ENTITY::C_FS_STORAGE_ENTITY() {}

C_FS_STORAGE_ENTITY::C_FS_STORAGE_ENTITY(const C_FS_STORAGE_ENTITY& other) : m_name(other.m_name) {}

C_FS_STORAGE_ENTITY& C_FS_STORAGE_ENTITY::operator=(const C_FS_STORAGE_ENTITY& other) {
    if (this != &other) m_name = other.m_name;
    return *this;
}

C_FS_STORAGE_ENTITY::~C_FS_STORAGE_ENTITY() {}

const CMMString& C_FS_STORAGE_ENTITY::GetName() const { return m_name; }

void C_FS_STORAGE_ENTITY::SetName(const CMMString& p_name) { m_name = p_name; }

int C_FS_STORAGE_CTRL_PATH::GetCartographyDir(C_FS_STORAGE_ENTITY& p_volume) {
    std::string l_name;
    {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.cartographyDirResult != 0) return s.cartographyDirResult;
        l_name = s.cartographyDir;
    }
    p_volume.SetName(CMMString(l_name.c_str()));
    return 0;
}

int C_FS_STORAGE_CTRL_IO::GetFreeSpace(C_FS_STORAGE_ENTITY& p_volume, long long& p_bytes) {
    const std::string l_name = p_volume.GetName().GetBuffer();
    if (l_name.empty()) return -1;
    std::function<int(const std::string&, long long&)> l_source;
    {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        l_source = s.freeSpaceSource;
    }
    if (l_source) {
        long long l_bytes = 0;
        if (l_source(l_name, l_bytes) != 0) return -1;
        p_bytes = l_bytes;
        return 0;
    }
    struct unit_statfs l_figures;
    if (fsStatfs(l_name.c_str(), &l_figures) != 0) return -1;
    p_bytes = static_cast<long long>(l_figures.f_bavail) * l_figures.f_bsize;
    return 0;
}

int PermanentDevice_GetDeviceName(int p_device, CMMString* p_name) {
    if (p_name == nullptr) return -1;
    std::string l_name;
    {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.deviceNames.find(p_device);
        if (it == s.deviceNames.end() || it->second.empty()) return -1;
        l_name = it->second;
    }
    *p_name = l_name.c_str();
    return 0;
}

// ---- Clock ------------------------------------------------------------------

namespace {

Clock CurrentClock() {
    Clock l_clock;
    {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        l_clock = s.clock;
    }
    if (!l_clock.fixed) {
        std::time_t l_now = std::time(nullptr);
        std::tm l_tm;
        std::memset(&l_tm, 0, sizeof l_tm);
        localtime_r(&l_now, &l_tm);
        l_clock.year = l_tm.tm_year % 100;
        l_clock.month = l_tm.tm_mon;
        l_clock.day = l_tm.tm_mday;
        l_clock.hour = l_tm.tm_hour;
        l_clock.minute = l_tm.tm_min;
        l_clock.second = l_tm.tm_sec;
    }
    return l_clock;
}

}  // namespace

C_BCM_DATECLOCK_NETWORK* C_BCM_DATECLOCK_NETWORK::Instance() { return &g_clock; }

int C_BCM_DATECLOCK_NETWORK::GetTime(t_dateclock_time& p_time) {
    Clock l_clock = CurrentClock();
    p_time.hour = l_clock.hour;
    p_time.minute = l_clock.minute;
    p_time.second = l_clock.second;
    return 0;
}

int C_BCM_DATECLOCK_NETWORK::GetDate(t_dateclock_date& p_date) {
    Clock l_clock = CurrentClock();
    p_date.day = l_clock.day;
    p_date.month = l_clock.month;
    p_date.year = l_clock.year;
    return 0;
}

// ---- Context data -------------------------------------------------------------

int C_CONTEXT_DYNAMIC_DATA::Get(int p_item, void* p_buffer, int p_size) {
    if (p_buffer == nullptr || p_size <= 0) return -1;
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.context.find(p_item);
    if (it == s.context.end() || it->second.size() != static_cast<size_t>(p_size)) return -1;
    std::memcpy(p_buffer, it->second.data(), it->second.size());
    return 0;
}

int C_CONTEXT_DYNAMIC_DATA::Set(int p_group, int p_item, const void* p_buffer, int p_size) {
    if (p_buffer == nullptr || p_size <= 0 || p_size > 256) return -1;
    if (host::internal::record(host::Op::ContextSet, p_group, p_item) != 0) return -1;
    const unsigned char* l_bytes = static_cast<const unsigned char*>(p_buffer);
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.context[p_item].assign(l_bytes, l_bytes + p_size);
    return 0;
}

// ---- Configuration and boards -------------------------------------------------

int C_CONFIG_SYSTEM::GetValue(const char* p_key) {
    if (p_key == nullptr) return 0;
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto it = s.config.find(p_key);
    return it == s.config.end() ? 0 : it->second;
}

int GetMBId1() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.mb1;
}

int GetMBId2() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.mb2;
}

int GetDBId1() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.db1;
}

// ---- Reboot -------------------------------------------------------------------

int C_BCM_FAILSOFT::RebootSystem(bool p_save_context) {
    return host::internal::record(host::Op::RebootSystem, p_save_context ? 1 : 0);
}

void* C_OBJ_PTR_Table::GetObjPtr(unsigned short p_key, unsigned short p_instance) {
    if (p_key != OBJ_PTR_FAILSOFT || p_instance != 0) return nullptr;
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.failsoftPresent ? &g_failsoft : nullptr;
}

void EmergencyReboot() { host::internal::record(host::Op::EmergencyReboot); }

// ---- Navigation ---------------------------------------------------------------

C_BCM_NAV_BUILD_DEST* C_BCM_NAV_BUILD_DEST_Instance() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.navigationPresent ? &g_navigation : nullptr;
}

int C_BCM_NAV_BUILD_DEST::StartUpgrade(t_upgrade_type p_type) {
    int l_result = host::internal::record(host::Op::NavStartUpgrade, p_type);
    if (l_result == 0) {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.navigationInUpgradeMode = true;
    }
    return l_result;
}

int C_BCM_NAV_BUILD_DEST::StopUpgrade() {
    int l_result = host::internal::record(host::Op::NavStopUpgrade);
    if (l_result == 0) {
        Services& s = services();
        std::lock_guard<std::mutex> lock(s.mutex);
        s.navigationInUpgradeMode = false;
    }
    return l_result;
}

// ---- Controls -----------------------------------------------------------------

namespace host {

void setNavigationPresent(bool present) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.navigationPresent = present;
}

bool navigationInUpgradeMode() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.navigationInUpgradeMode;
}

void setCartographyDir(const std::string& name) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.cartographyDir = name;
}

void setCartographyDirResult(int result) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.cartographyDirResult = result;
}

void setPermanentDeviceName(int device, const std::string& name) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.deviceNames[device] = name;
}

void setFreeSpaceSource(std::function<int(const std::string&, long long&)> source) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.freeSpaceSource = std::move(source);
}

void setClock(int year, int month, int day, int hour, int minute, int second) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.clock.fixed = true;
    s.clock.year = year;
    s.clock.month = month;
    s.clock.day = day;
    s.clock.hour = hour;
    s.clock.minute = minute;
    s.clock.second = second;
}

void useRealClock() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.clock.fixed = false;
}

void setUpgradeState(int32_t state) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<unsigned char>& item = s.context[CDD_ITEM_UPGRADE_STATE];
    item.resize(sizeof state);
    std::memcpy(item.data(), &state, sizeof state);
}

int32_t upgradeState() {
    int32_t state = 0;
    C_CONTEXT_DYNAMIC_DATA::Get(CDD_ITEM_UPGRADE_STATE, &state, sizeof state);
    return state;
}

void setConfigValue(const std::string& key, int value) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.config[key] = value;
}

void setBoardIds(int mb1, int mb2, int db1) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.mb1 = mb1;
    s.mb2 = mb2;
    s.db1 = db1;
}

void setFailsoftPresent(bool present) {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.failsoftPresent = present;
}

namespace internal {

void resetServices() {
    Services& s = services();
    std::lock_guard<std::mutex> lock(s.mutex);
    ResetLocked(s);
}

}  // namespace internal

}  // namespace host
