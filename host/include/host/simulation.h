/*
 * Controls and records of the simulated unit services, for tests and the
 * bench program. The plugin never includes this header. Everything here is
 * thread-safe; waits take real milliseconds.
 */
#ifndef HOST_SIMULATION_H
#define HOST_SIMULATION_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace host {

/* Recorded operations; also the keys of the configurable results. */
enum class Op {
    ResultOfCheckCompatibility,
    ResultOfCheckMedia,
    ResultOfUpgrade,
    ProgressBar,
    UnloadPlugin,
    EndOfUpgrade,
    UpgradeAbortedByExtraction,
    SendPluginMessage,
    SetMediaContinentID,
    PluginWantToRebootSystem,
    NavStartUpgrade,
    NavStopUpgrade,
    RebootSystem,
    EmergencyReboot,
    ContextSet,
};

const char* opName(Op op);

/*
 * One recorded call. a and b by operation: results: a = the value; progress:
 * a = percent (signed), b = position; SendPluginMessage: a = content word,
 * b = 16-bit value; NavStartUpgrade: a = upgrade type; RebootSystem: a = flag;
 * ContextSet: a = group, b = item.
 */
struct Call {
    Op op;
    long long a = 0;
    long long b = 0;
    unsigned long tick = 0; /* tickGet() at the call */
};

/*
 * Back to the defaults: no manager, records and system log cleared, every
 * configured result 0, clock from the machine's local time, context item
 * 18001 = 0, "SETUP_FLAG_NAV_ACTIVATED" = 1, boards 5/9/4 (a navigation
 * unit), cartography directory "/sdhc:0/" with result 0, card device name
 * "/sdhc:0", free space from the platform, navigation and fail-soft present,
 * system-log file "/SYSTEM_TMP_DATA/syslog.txt", no echo, no unload handler.
 */
void reset();

/* ---- Upgrade manager ---------------------------------------------------- */

/* Creates the manager (C_BCM_UPGRADE::Instance() then gives it) / removes it. */
void createManager();
void destroyManager();

/*
 * Result that the operation returns from now on (default 0). A non-zero
 * result of NavStartUpgrade / NavStopUpgrade leaves the mode unchanged, and of
 * ContextSet stores nothing. RebootSystem and EmergencyReboot only record.
 */
void setResult(Op op, int result);

/* Called (outside any lock) after PluginUnloadUpgradePlugin was recorded; must not unload
 * synchronously. */
void setUnloadHandler(std::function<void()> handler);

std::vector<Call> calls();
std::vector<Call> calls(Op op);
size_t countOf(Op op);
void clearCalls();

/* Waits until at least count calls of op are recorded; *out (may be null) gets the count-th. */
bool waitForCall(Op op, long timeoutMs, Call* out = nullptr, size_t count = 1);

/* Results of the three steps: op is one of the Result... operations; *value gets the count-th. */
bool waitForResult(Op op, long timeoutMs, int* value = nullptr, size_t count = 1);

/* Progress values (percent, position) in the order reported. */
std::vector<std::pair<int, int>> progress();

/* ---- Navigation --------------------------------------------------------- */

/* false: C_BCM_NAV_BUILD_DEST_Instance() gives null. */
void setNavigationPresent(bool present);
/* true between a StartUpgrade and the next StopUpgrade that succeeded. */
bool navigationInUpgradeMode();

/* ---- Storage ------------------------------------------------------------ */

void setCartographyDir(const std::string& name);
/* Non-zero: GetCartographyDir fails with it and leaves the entity unchanged. */
void setCartographyDirResult(int result);
/* Device name given by PermanentDevice_GetDeviceName; "" makes that device unknown. */
void setPermanentDeviceName(int device, const std::string& name);
/*
 * Replaces the free-space source of GetFreeSpace (volume directory name in,
 * bytes out, 0 or -1 back); null goes back to the platform's figures.
 */
void setFreeSpaceSource(std::function<int(const std::string& volume, long long& bytes)> source);

/* ---- Clock, context, configuration, boards, reboot ---------------------- */

/* Fixes the clock: two-digit year, month from 0, day, hour, minute, second. */
void setClock(int year, int month, int day, int hour, int minute, int second = 0);
/* The clock follows the machine's local time again. */
void useRealClock();

void setUpgradeState(int32_t state);
/* Item 18001 as last set by the host or the plugin. */
int32_t upgradeState();

void setConfigValue(const std::string& key, int value);
void setBoardIds(int mb1, int mb2, int db1);

/* false: GetObjPtr(26400, 0) gives null. */
void setFailsoftPresent(bool present);

/* ---- System log --------------------------------------------------------- */

/* Entries in order, each as formatted (one entry per SYSTOOL call). */
std::vector<std::string> syslogLines();
void clearSyslog();
/* True when an entry containing text was added; entries already there count. */
bool waitForSyslog(const std::string& text, long timeoutMs);
bool syslogContains(const std::string& text);
/* Unit path the entries are appended to ("" for none); a missing device only skips the write. */
void setSyslogFile(const std::string& unitPath);
/* true: entries are also written to standard output. */
void setSyslogEcho(bool echo);

/* ---- Internals shared by the host sources -------------------------------- */

namespace internal {
/* Records a call and returns the result configured for op. */
int record(Op op, long long a = 0, long long b = 0);
/* Runs the unload handler, if any (outside every lock). */
void runUnloadHandler();
/* Reads key from the side file at the unit path: 0 with value (maybe empty), or -1 with value
 * empty. */
int readKeyValue(const char* path, const char* key, std::string& value);
void resetServices();
void resetSyslog();
}  // namespace internal

}  // namespace host

#endif /* HOST_SIMULATION_H */
