// The unit's file system over host folders: devices, descriptors and streams.
#include <platform/fileio.h>
#include <platform/iosys.h>
#include <platform/sim.h>

#include "fs_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace platform {
namespace fs {

namespace {

struct Table {
    std::shared_mutex mutex;
    std::vector<Device*> devices;
    std::vector<Device*> retired;  // never freed: descriptors and headers may outlive them
};
Table& table() {
    static Table* t = new Table();
    return *t;
}

const int kMaxFds = 1 << 16;
struct FdSlot {
    std::atomic<Device*> dev{nullptr};
    std::atomic<unsigned> generation{0};
    std::atomic<bool> append{false};
};
FdSlot* fdSlots() {
    static FdSlot* slots = new FdSlot[kMaxFds];
    return slots;
}

std::string normalizeName(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

// Caller holds the table lock.
Device* findByName(const std::string& name) {
    for (Device* d : table().devices)
        if (d->name == name) return d;
    return nullptr;
}

// The device of a normalised path and the rest of the path after its name.
Device* deviceOf(const std::string& path, std::string* rest) {
    std::shared_lock<std::shared_mutex> lock(table().mutex);
    Device* best = nullptr;
    for (Device* d : table().devices) {
        const std::string& n = d->name;
        if (d->isChar) {
            if (path == n && best == nullptr) best = d;
            continue;
        }
        if (path.compare(0, n.size(), n) != 0) continue;
        if (path.size() != n.size() && path[n.size()] != '/' && n.back() != '/') continue;
        if (best == nullptr || best->isChar || n.size() > best->name.size()) best = d;
    }
    if (best != nullptr && rest != nullptr)
        *rest = best->isChar ? std::string() : path.substr(best->name.size());
    return best;
}

// Finds name in the host folder dir in any case; "" if absent.
std::string findAnyCase(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return std::string();
    std::string found;
    while (struct dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

}  // namespace

bool tracked(const Device* d) { return d != nullptr && d->capacity.load() >= 0; }

bool reserve(Device* d, int64_t bytes) {
    if (!tracked(d) || bytes <= 0) return true;
    int64_t used = d->used.load();
    for (;;) {
        if (used + bytes > d->capacity.load()) return false;
        if (d->used.compare_exchange_weak(used, used + bytes)) return true;
    }
}

void release(Device* d, int64_t bytes) {
    if (tracked(d) && bytes != 0) d->used.fetch_sub(bytes);
}

int64_t treeBytes(const std::string& host) {
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) return 0;
    if (S_ISREG(st.st_mode)) return st.st_size;
    if (!S_ISDIR(st.st_mode)) return 0;
    int64_t sum = 0;
    DIR* d = opendir(host.c_str());
    if (d == nullptr) return 0;
    while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        sum += treeBytes(host + "/" + e->d_name);
    }
    closedir(d);
    return sum;
}

bool alive(const Device* d, unsigned generation) {
    return d == nullptr || (d->present.load() && d->generation.load() == generation);
}

int resolve(const char* path, Resolved& out, Access access, bool foldCase) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    std::string norm = normalizeName(path);
    std::string rest;
    Device* d = deviceOf(norm, &rest);
    if (d == nullptr) {
        errno = ENOENT;
        return -1;
    }
    if (!d->present.load()) {
        errno = ENODEV;
        return -1;
    }
    if (access == Write && d->readOnly.load()) {
        errno = EROFS;
        return -1;
    }
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < rest.size()) {
        size_t next = rest.find('/', pos);
        if (next == std::string::npos) next = rest.size();
        std::string part = rest.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            // Never above the device's own folder.
            if (parts.empty()) {
                errno = ENOENT;
                return -1;
            }
            parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string host = d->host;
    bool looking = d->fat && foldCase;
    for (const std::string& part : parts) {
        std::string candidate = host + "/" + part;
        if (looking) {
            struct stat st;
            if (lstat(candidate.c_str(), &st) != 0) {
                std::string other = findAnyCase(host, part);
                if (other.empty())
                    looking = false;  // a new name keeps its case, and so does what follows
                else
                    candidate = host + "/" + other;
            }
        }
        host = std::move(candidate);
    }
    out.dev = d;
    out.host = std::move(host);
    out.isRoot = parts.empty();
    return 0;
}

void trackFd(int fd, Device* d, bool append) {
    if (fd < 0 || fd >= kMaxFds) return;
    FdSlot& s = fdSlots()[fd];
    s.generation.store(d != nullptr ? d->generation.load() : 0);
    s.append.store(append);
    s.dev.store(d);
}

void untrackFd(int fd) {
    if (fd < 0 || fd >= kMaxFds) return;
    fdSlots()[fd].dev.store(nullptr);
}

int checkFd(int fd, Device** d, bool* append) {
    *d = nullptr;
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    if (fd >= kMaxFds) return 0;
    FdSlot& s = fdSlots()[fd];
    Device* dev = s.dev.load();
    if (dev != nullptr && !alive(dev, s.generation.load())) {
        errno = ENODEV;
        return -1;
    }
    *d = dev;
    if (append != nullptr) *append = s.append.load();
    return 0;
}

}  // namespace fs

// ---- Controls -----------------------------------------------------------------------

using fs::Device;

static Device* namedDevice(const std::string& name) {
    std::shared_lock<std::shared_mutex> lock(fs::table().mutex);
    return fs::findByName(fs::normalizeName(name));
}

static bool install(Device* d) {
    d->hdr.name = d->name.c_str();
    std::unique_lock<std::shared_mutex> lock(fs::table().mutex);
    for (Device*& old : fs::table().devices) {
        if (old->name == d->name) {
            fs::table().retired.push_back(old);
            old = d;
            return true;
        }
    }
    fs::table().devices.push_back(d);
    return true;
}

bool addDevice(const std::string& name, const std::string& hostFolder,
               const DeviceOptions& options) {
    struct stat st;
    if (name.empty() || stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    Device* d = new (std::nothrow) Device();
    if (d == nullptr) return false;
    d->name = fs::normalizeName(name);
    d->host = hostFolder;
    while (d->host.size() > 1 && d->host.back() == '/') d->host.pop_back();
    d->fat = options.fat;
    d->blockSize.store(options.blockSize > 0 ? options.blockSize : 4096);
    if (options.capacity >= 0) {
        d->used.store(fs::treeBytes(d->host));
        d->capacity.store(options.capacity);
    }
    return install(d);
}

bool addCharDevice(const std::string& name, const std::string& hostFile) {
    if (name.empty() || hostFile.empty()) return false;
    Device* d = new (std::nothrow) Device();
    if (d == nullptr) return false;
    d->name = name;
    d->host = hostFile;
    d->isChar = true;
    return install(d);
}

void removeAllDevices() {
    std::unique_lock<std::shared_mutex> lock(fs::table().mutex);
    auto& t = fs::table();
    t.retired.insert(t.retired.end(), t.devices.begin(), t.devices.end());
    t.devices.clear();
}

bool setDevicePresent(const std::string& name, bool present) {
    Device* d = namedDevice(name);
    if (d == nullptr) return false;
    if (!present && d->present.load()) d->generation.fetch_add(1);
    d->present.store(present);
    return true;
}

bool setDeviceReadOnly(const std::string& name, bool readOnly) {
    Device* d = namedDevice(name);
    if (d == nullptr) return false;
    d->readOnly.store(readOnly);
    return true;
}

bool isDeviceReadOnly(const std::string& name) {
    Device* d = namedDevice(name);
    return d != nullptr && d->readOnly.load();
}

bool setDeviceCapacity(const std::string& name, int64_t capacity) {
    Device* d = namedDevice(name);
    if (d == nullptr || d->isChar) return false;
    if (capacity < 0) {
        d->capacity.store(-1);
        return true;
    }
    d->used.store(fs::treeBytes(d->host));
    d->capacity.store(capacity);
    return true;
}

bool setDeviceBlockSize(const std::string& name, long blockSize) {
    Device* d = namedDevice(name);
    if (d == nullptr || blockSize <= 0) return false;
    d->blockSize.store(blockSize);
    return true;
}

std::string hostPath(const std::string& unitPath) {
    std::string norm = fs::normalizeName(unitPath);
    if (fs::deviceOf(norm, nullptr) == nullptr) return std::string();
    fs::Resolved r;
    // Presence does not matter here: resolve against the mapping only.
    std::string rest;
    Device* d = fs::deviceOf(norm, &rest);
    if (!d->present.load()) return d->host + rest;
    if (fs::resolve(unitPath.c_str(), r, fs::Read, false) != 0) return std::string();
    return r.host;
}

int64_t freeBytes(const std::string& unitPath) {
    fs::Resolved r;
    if (fs::resolve(unitPath.c_str(), r, fs::Read, false) != 0 || r.dev->isChar) return -1;
    if (fs::tracked(r.dev)) {
        int64_t left = r.dev->capacity.load() - r.dev->used.load();
        return left > 0 ? left : 0;
    }
    struct statvfs sv;
    if (statvfs(r.dev->host.c_str(), &sv) != 0) return -1;
    return static_cast<int64_t>(sv.f_bavail) * static_cast<int64_t>(sv.f_frsize);
}

}  // namespace platform

using platform::fs::Device;
using platform::fs::Resolved;
namespace fs = platform::fs;

// ---- Descriptors ------------------------------------------------------------------------

static bool writeIntent(int flags) {
    return (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC | O_APPEND)) != 0;
}

int fsOpen(const char* path, int flags, int mode) {
    (void)mode;  // FAT volumes have no permission bits
    Resolved r;
    if (fs::resolve(path, r, writeIntent(flags) ? fs::Write : fs::Read) != 0) return -1;
    int fd;
    if (r.dev->isChar) {
        fd = ::open(r.host.c_str(), (flags & O_ACCMODE) | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd >= 0) fs::trackFd(fd, r.dev, true);
        return fd;
    }
    struct stat before;
    bool existed = ::stat(r.host.c_str(), &before) == 0;
    if (existed && S_ISREG(before.st_mode) && (flags & O_ACCMODE) != O_RDONLY &&
        (before.st_mode & S_IWUSR) == 0) {
        errno = EACCES;  // the read-only attribute, honoured even for a privileged user
        return -1;
    }
    fd = ::open(r.host.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    if (existed && S_ISREG(before.st_mode) && (flags & O_TRUNC) != 0 &&
        (flags & O_ACCMODE) != O_RDONLY)
        fs::release(r.dev, before.st_size);
    fs::trackFd(fd, r.dev, (flags & O_APPEND) != 0);
    return fd;
}

int fsCreat(const char* path, int mode) { return fsOpen(path, O_WRONLY | O_CREAT | O_TRUNC, mode); }

int fsClose(int fd) {
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    fs::untrackFd(fd);
    return ::close(fd);
}

ssize_t fsRead(int fd, void* buffer, size_t count) {
    Device* d;
    if (fs::checkFd(fd, &d) != 0) return -1;
    if ((buffer == nullptr && count > 0) || count > static_cast<size_t>(SSIZE_MAX)) {
        errno = EINVAL;  // a negative size passed as a size_t
        return -1;
    }
    return ::read(fd, buffer, count);
}

ssize_t fsWrite(int fd, const void* buffer, size_t count) {
    Device* d;
    bool append = false;
    if (fs::checkFd(fd, &d, &append) != 0) return -1;
    if ((buffer == nullptr && count > 0) || count > static_cast<size_t>(SSIZE_MAX)) {
        errno = EINVAL;
        return -1;
    }
    if (d != nullptr && !d->isChar && d->readOnly.load()) {
        errno = EROFS;
        return -1;
    }
    int64_t growth = 0, offset = 0, size = 0;
    if (fs::tracked(d) && count > 0) {
        struct stat st;
        if (::fstat(fd, &st) != 0) return -1;
        size = st.st_size;
        offset = append ? size : ::lseek(fd, 0, SEEK_CUR);
        if (offset < 0) offset = size;
        growth = offset + static_cast<int64_t>(count) - size;
        if (growth < 0) growth = 0;
        if (!fs::reserve(d, growth)) {
            errno = ENOSPC;
            return -1;
        }
    }
    ssize_t n = ::write(fd, buffer, count);
    if (growth > 0) {
        int64_t actual = n > 0 ? offset + n - size : 0;
        if (actual < 0) actual = 0;
        fs::release(d, growth - actual);
    }
    return n;
}

off_t fsLseek(int fd, off_t offset, int whence) {
    Device* d;
    if (fs::checkFd(fd, &d) != 0) return -1;
    return ::lseek(fd, offset, whence);
}

int fsFstat(int fd, struct stat* st) {
    Device* d;
    if (fs::checkFd(fd, &d) != 0) return -1;
    if (st == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (::fstat(fd, st) != 0) return -1;
    if (d != nullptr) st->st_blksize = d->blockSize.load();
    return 0;
}

// ---- Streams ----------------------------------------------------------------------------

namespace {

const size_t kStreamBuffer = 64 * 1024;

struct Cookie {
    int fd;
    char buffer[kStreamBuffer];
};

ssize_t cookieRead(void* c, char* buf, size_t size) {
    ssize_t n = fsRead(static_cast<Cookie*>(c)->fd, buf, size);
    return n < 0 ? -1 : n;
}

ssize_t cookieWrite(void* c, const char* buf, size_t size) {
    ssize_t n = fsWrite(static_cast<Cookie*>(c)->fd, buf, size);
    return n < 0 ? 0 : n;  // 0 marks the stream in error, errno tells why
}

int cookieSeek(void* c, off64_t* offset, int whence) {
    off_t r = fsLseek(static_cast<Cookie*>(c)->fd, static_cast<off_t>(*offset), whence);
    if (r < 0) return -1;
    *offset = r;
    return 0;
}

int cookieClose(void* c) {
    Cookie* cookie = static_cast<Cookie*>(c);
    int rc = fsClose(cookie->fd);
    delete cookie;
    return rc;
}

}  // namespace

FILE* fsFopen(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    bool plus = strchr(mode, '+') != nullptr;
    int flags;
    switch (mode[0]) {
        case 'r':
            flags = plus ? O_RDWR : O_RDONLY;
            break;
        case 'w':
            flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
            break;
        case 'a':
            flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
            break;
        default:
            errno = EINVAL;
            return nullptr;
    }
    if (strchr(mode, 'x') != nullptr) flags |= O_EXCL;
    Cookie* cookie = new (std::nothrow) Cookie;
    if (cookie == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    cookie->fd = fsOpen(path, flags, 0666);
    if (cookie->fd < 0) {
        int err = errno;
        delete cookie;
        errno = err;
        return nullptr;
    }
    char cookieMode[4] = {mode[0], plus ? '+' : '\0', '\0', '\0'};
    cookie_io_functions_t io = {cookieRead, cookieWrite, cookieSeek, cookieClose};
    FILE* f = fopencookie(cookie, cookieMode, io);
    if (f == nullptr) {
        int err = errno;
        fsClose(cookie->fd);
        delete cookie;
        errno = err;
        return nullptr;
    }
    setvbuf(f, cookie->buffer, _IOFBF, kStreamBuffer);
    return f;
}

// ---- Paths ------------------------------------------------------------------------------

DIR* fsOpendir(const char* path) {
    Resolved r;
    if (fs::resolve(path, r, fs::Read) != 0) return nullptr;
    return ::opendir(r.host.c_str());
}

int fsStat(const char* path, struct stat* st) {
    Resolved r;
    if (fs::resolve(path, r, fs::Read) != 0) return -1;
    if (st == nullptr) {
        errno = EINVAL;
        return -1;
    }
    if (::stat(r.host.c_str(), st) != 0) return -1;
    if (!r.dev->isChar) st->st_blksize = r.dev->blockSize.load();
    return 0;
}

int fsMkdir(const char* path, int mode) {
    (void)mode;
    Resolved r;
    if (fs::resolve(path, r, fs::Write) != 0) return -1;
    return ::mkdir(r.host.c_str(), 0777);
}

int fsRename(const char* oldPath, const char* newPath) {
    Resolved from, to;
    if (fs::resolve(oldPath, from, fs::Write) != 0) return -1;
    if (fs::resolve(newPath, to, fs::Write) != 0) return -1;
    if (from.isRoot || to.isRoot) {
        errno = EBUSY;
        return -1;
    }
    struct stat src, dst;
    if (::lstat(from.host.c_str(), &src) != 0) return -1;
    bool replaces = ::lstat(to.host.c_str(), &dst) == 0;
    if (replaces && dst.st_ino == src.st_ino && dst.st_dev == src.st_dev) {
        // The same entry under another case (FAT): rename to the new spelling.
        if (from.host == to.host) return 0;
        return ::rename(from.host.c_str(), to.host.c_str());
    }
    int64_t replaced = replaces && S_ISREG(dst.st_mode) ? dst.st_size : 0;
    int64_t moved = 0;
    bool crossing = from.dev != to.dev;
    if (crossing) {
        moved = fs::treeBytes(from.host);
        if (!fs::reserve(to.dev, moved - replaced)) {
            errno = ENOSPC;
            return -1;
        }
    }
    if (::rename(from.host.c_str(), to.host.c_str()) != 0) {
        int err = errno;
        if (crossing) fs::release(to.dev, moved - replaced);
        errno = err;
        return -1;
    }
    if (crossing)
        fs::release(from.dev, moved);
    else
        fs::release(to.dev, replaced);
    return 0;
}

int fsUnlink(const char* path) {
    Resolved r;
    if (fs::resolve(path, r, fs::Write) != 0) return -1;
    struct stat st;
    if (::lstat(r.host.c_str(), &st) != 0) return -1;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return -1;
    }
    if (::unlink(r.host.c_str()) != 0) return -1;
    if (S_ISREG(st.st_mode)) fs::release(r.dev, st.st_size);
    return 0;
}

int fsRmdir(const char* path) {
    Resolved r;
    if (fs::resolve(path, r, fs::Write) != 0) return -1;
    if (r.isRoot) {
        errno = EBUSY;
        return -1;
    }
    return ::rmdir(r.host.c_str());
}

int fsRemove(const char* path) {
    Resolved r;
    if (fs::resolve(path, r, fs::Write) != 0) return -1;
    struct stat st;
    if (::lstat(r.host.c_str(), &st) != 0) return -1;
    return S_ISDIR(st.st_mode) ? fsRmdir(path) : fsUnlink(path);
}

int fsStatfs(const char* path, struct unit_statfs* st) {
    Resolved r;
    if (fs::resolve(path, r, fs::Read) != 0) return -1;
    if (st == nullptr || r.dev->isChar) {
        errno = EINVAL;
        return -1;
    }
    long bsize = r.dev->blockSize.load();
    int64_t total, free;
    if (fs::tracked(r.dev)) {
        total = r.dev->capacity.load();
        free = total - r.dev->used.load();
        if (free < 0) free = 0;
    } else {
        struct statvfs sv;
        if (::statvfs(r.dev->host.c_str(), &sv) != 0) return -1;
        total = static_cast<int64_t>(sv.f_blocks) * static_cast<int64_t>(sv.f_frsize);
        free = static_cast<int64_t>(sv.f_bavail) * static_cast<int64_t>(sv.f_frsize);
    }
    st->f_bsize = bsize;
    st->f_blocks = static_cast<long>(total / bsize);
    st->f_bfree = static_cast<long>(free / bsize);
    st->f_bavail = st->f_bfree;
    return 0;
}

// ---- I/O system -------------------------------------------------------------------------

namespace {
std::atomic<int> g_std[3] = {{0}, {1}, {2}};
}

DEV_HDR* iosNextDevGet(DEV_HDR* device) {
    auto& t = platform::fs::table();
    std::shared_lock<std::shared_mutex> lock(t.mutex);
    if (t.devices.empty()) return nullptr;
    if (device == nullptr) return &t.devices.front()->hdr;
    for (size_t i = 0; i + 1 < t.devices.size(); ++i)
        if (&t.devices[i]->hdr == device) return &t.devices[i + 1]->hdr;
    return nullptr;
}

void ioGlobalStdSet(int stdFd, int fd) {
    if (stdFd >= 0 && stdFd <= 2) g_std[stdFd].store(fd);
}

int ioGlobalStdGet(int stdFd) {
    if (stdFd < 0 || stdFd > 2) {
        errno = EINVAL;
        return -1;
    }
    return g_std[stdFd].load();
}
