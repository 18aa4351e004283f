/*
 * Controls of the simulated unit, for tests, the bench program and the
 * benchmarks. The plugin never includes this header.
 */
#ifndef PLATFORM_SIM_H
#define PLATFORM_SIM_H

#include <cstdint>
#include <functional>
#include <string>

struct semaphore;
struct msg_queue;

namespace platform {

/* ---- Time --------------------------------------------------------------- */

/* Length of one tick for the whole process (2000 us by default; at least 1). */
void setTickMicros(long micros);
long tickMicros();

/* ---- Devices ------------------------------------------------------------ */

struct DeviceOptions {
    bool fat = false;      /* names found in any case; see fileio.h */
    long blockSize = 4096; /* allocation block size reported by fstat and statfs */
    int64_t capacity = -1; /* bytes; -1: the host folder's own free space */
};

/*
 * Maps the unit device name (such as "/bd0" or "/sdhc:0") to an existing
 * host folder, replacing an earlier mapping of that name. false if the folder
 * does not exist.
 */
bool addDevice(const std::string& name, const std::string& hostFolder,
               const DeviceOptions& options = {});
/* A character device (such as a pseudo-terminal "stdio_pty0S") backed by a host file. */
bool addCharDevice(const std::string& name, const std::string& hostFile);
void removeAllDevices();

/* Pulls the device out (every access fails, open descriptors included) or puts it back. */
bool setDevicePresent(const std::string& name, bool present);
bool setDeviceReadOnly(const std::string& name, bool readOnly);
bool isDeviceReadOnly(const std::string& name);
/* -1 removes the limit. */
bool setDeviceCapacity(const std::string& name, int64_t capacity);
bool setDeviceBlockSize(const std::string& name, long blockSize);

/* Host path of a unit path, or "" when it is on no device (no case folding). */
std::string hostPath(const std::string& unitPath);

/* Bytes free on the device that holds the unit path, or -1. */
int64_t freeBytes(const std::string& unitPath);

/* ---- Symbols ------------------------------------------------------------ */

/* A hidden name counts as missing for symFindByName. */
void hideSymbol(const std::string& name);
void unhideSymbol(const std::string& name);
void unhideAllSymbols();

/* ---- Console ------------------------------------------------------------ */

/*
 * Receives every console line instead of standard output (null: back to
 * standard output). Called by the console task, one message at a time.
 */
void setConsoleSink(std::function<void(const std::string&)> sink);
/* Waits until every message queued by logMsg before the call is written. */
void flushConsole();
/* The text logMsg queues for fmt and its nargs arguments (missing ones count as 0). */
std::string formatLog(const char* fmt, const intptr_t* args, int nargs);

/* ---- Tasks -------------------------------------------------------------- */

struct TaskInfo {
    std::string name;
    int priority = 0;
    int options = 0;
    int stackSize = 0;
};
/* What was asked of taskSpawn for a task that still lives; false if unknown. */
bool taskInfo(int tid, TaskInfo* info);

/* Tasks spawned so far in the process (for tests that count spawns). */
uint64_t tasksSpawned();

/* Tasks blocked on the semaphore or queue (senders and receivers); -1 for a bad id. */
int pendingWaiters(::semaphore* sem);
int pendingWaiters(::msg_queue* queue);

}  // namespace platform

#endif /* PLATFORM_SIM_H */
