// Device table and path resolution shared by the file calls and file commands.
#ifndef PLATFORM_SRC_FS_INTERNAL_H
#define PLATFORM_SRC_FS_INTERNAL_H

#include <platform/iosys.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace platform {
namespace fs {

struct Device {
    std::string name;
    std::string host;  // folder, or the backing file of a character device
    bool isChar = false;
    bool fat = false;
    std::atomic<long> blockSize{4096};
    std::atomic<bool> present{true};
    std::atomic<bool> readOnly{false};
    std::atomic<unsigned> generation{0};  // bumped on each removal
    std::atomic<int64_t> capacity{-1};
    std::atomic<int64_t> used{0};  // bytes in regular files, kept while capacity >= 0
    DEV_HDR hdr{nullptr};
};

struct Resolved {
    Device* dev = nullptr;
    std::string host;
    bool isRoot = false;
};

enum Access { Read, Write };

// Resolves a unit path: 0, or -1 with errno (EINVAL null, ENOENT no device,
// ENODEV removed, EROFS write on a read-only volume).
int resolve(const char* path, Resolved& out, Access access, bool foldCase = true);

bool tracked(const Device* d);
// Reserves bytes of capacity; false (nothing reserved) when they do not fit.
bool reserve(Device* d, int64_t bytes);
void release(Device* d, int64_t bytes);
// Sum of the sizes of the regular files under a host path (itself included).
int64_t treeBytes(const std::string& host);

// Descriptor bookkeeping: which device an open descriptor belongs to.
void trackFd(int fd, Device* d, bool append);
void untrackFd(int fd);
// 0 and the device (or null for a descriptor of no device), or -1 with ENODEV.
int checkFd(int fd, Device** d, bool* append = nullptr);

bool alive(const Device* d, unsigned generation);

}  // namespace fs
}  // namespace platform

#endif
