// File commands of the unit's shell: copy, move, delete, attributes.
#include <platform/filecmd.h>
#include <platform/fileio.h>

#include "fs_internal.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace fs = platform::fs;
using fs::Device;
using fs::Resolved;

namespace {

const size_t kChunk = 1 << 20;

// Copies in chunks so that a removal in the middle stops the copy.
int copyData(int in, int out, Device* src, unsigned srcGen, Device* dst, unsigned dstGen) {
    bool fast = true;
    static thread_local char* buffer = nullptr;
    for (;;) {
        if (!fs::alive(src, srcGen) || !fs::alive(dst, dstGen)) {
            errno = ENODEV;
            return -1;
        }
        ssize_t n = -1;
        if (fast) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (n < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
                fast = false;
        }
        if (!fast) {
            n = ::sendfile(out, in, nullptr, kChunk);
            if (n < 0 && (errno == EINVAL || errno == ENOSYS)) n = -2;
        }
        if (n == -2) {
            if (buffer == nullptr) buffer = new (std::nothrow) char[kChunk];
            if (buffer == nullptr) {
                errno = ENOMEM;
                return -1;
            }
            n = ::read(in, buffer, kChunk);
            if (n > 0) {
                ssize_t done = 0;
                while (done < n) {
                    ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
                    if (w < 0) return -1;
                    done += w;
                }
            }
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) return 0;
    }
}

int copyFile(const char* source, const char* destination) {
    Resolved from, to;
    if (fs::resolve(source, from, fs::Read) != 0) return -1;
    if (fs::resolve(destination, to, fs::Write) != 0) return -1;
    unsigned fromGen = from.dev->generation.load(), toGen = to.dev->generation.load();
    int in = ::open(from.host.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return -1;
    struct stat src;
    if (::fstat(in, &src) != 0) {
        int err = errno;
        ::close(in);
        errno = err;
        return -1;
    }
    if (S_ISDIR(src.st_mode)) {
        ::close(in);
        errno = EISDIR;
        return -1;
    }
    struct stat dst;
    int64_t previous = 0;
    if (::stat(to.host.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
            // Truncating the destination would destroy the source.
            ::close(in);
            errno = EINVAL;
            return -1;
        }
        if (S_ISREG(dst.st_mode)) {
            if ((dst.st_mode & S_IWUSR) == 0) {
                ::close(in);
                errno = EACCES;
                return -1;
            }
            previous = dst.st_size;
        }
    }
    int64_t reserved = src.st_size - previous;
    if (reserved < 0) reserved = 0;
    if (!fs::reserve(to.dev, reserved)) {
        ::close(in);
        errno = ENOSPC;
        return -1;
    }
    int out = ::open(to.host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0) {
        int err = errno;
        ::close(in);
        fs::release(to.dev, reserved);
        errno = err;
        return -1;
    }
    int rc = copyData(in, out, from.dev, fromGen, to.dev, toGen);
    int err = errno;
    struct stat done;
    int64_t now = ::fstat(out, &done) == 0 ? done.st_size : 0;
    // Settle the reservation against what was really written.
    fs::release(to.dev, reserved - (now - previous));
    ::close(in);
    if (::close(out) != 0 && rc == 0) {
        err = errno;
        rc = -1;
    }
    errno = err;
    return rc;
}

bool hasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

int removeTree(const std::string& host, Device* dev) {
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0) return -1;
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(host.c_str()) != 0) return -1;
        if (S_ISREG(st.st_mode)) fs::release(dev, st.st_size);
        return 0;
    }
    int rc = 0;
    DIR* d = ::opendir(host.c_str());
    if (d == nullptr) return -1;
    while (struct dirent* e = ::readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        if (removeTree(host + "/" + e->d_name, dev) != 0) rc = -1;
    }
    ::closedir(d);
    if (::rmdir(host.c_str()) != 0) rc = -1;
    return rc;
}

}  // namespace

int copy_blk(const char* source, const char* destination) { return copyFile(source, destination); }

int cp(const char* source, const char* destination) {
    if (source == nullptr || destination == nullptr) {
        errno = EINVAL;
        return -1;
    }
    struct stat st;
    if (fsStat(destination, &st) == 0 && S_ISDIR(st.st_mode)) {
        // The copy takes the source's own name, as stored.
        Resolved from;
        if (fs::resolve(source, from, fs::Read) != 0) return -1;
        const std::string& src = from.host;
        size_t slash = src.find_last_of('/');
        std::string name = slash == std::string::npos ? src : src.substr(slash + 1);
        std::string target = std::string(destination) + "/" + name;
        return copyFile(source, target.c_str());
    }
    return copyFile(source, destination);
}

int mv(const char* source, const char* destination) { return fsRename(source, destination); }

int rm(const char* path) { return fsUnlink(path); }

int xdelete(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.find_last_of('/');
    std::string last = slash == std::string::npos ? p : p.substr(slash + 1);
    if (!hasWildcard(last)) {
        Resolved r;
        if (fs::resolve(path, r, fs::Write) != 0) return -1;
        if (r.isRoot) {
            errno = EBUSY;  // the volume itself stays
            return -1;
        }
        return removeTree(r.host, r.dev);
    }
    std::string parent = slash == std::string::npos ? std::string() : p.substr(0, slash);
    Resolved r;
    if (fs::resolve(parent.c_str(), r, fs::Write) != 0) return -1;
    DIR* d = ::opendir(r.host.c_str());
    if (d == nullptr) return -1;
    int flags = r.dev->fat ? FNM_CASEFOLD : 0;
    int rc = 0;
    while (struct dirent* e = ::readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        if (fnmatch(last.c_str(), e->d_name, flags) != 0) continue;
        if (removeTree(r.host + "/" + e->d_name, r.dev) != 0) rc = -1;
    }
    ::closedir(d);
    return rc;
}

int attrib(const char* path, const char* attributes) {
    if (attributes == nullptr) {
        errno = EINVAL;
        return -1;
    }
    Resolved r;
    if (fs::resolve(path, r, fs::Write) != 0) return -1;
    struct stat st;
    if (::stat(r.host.c_str(), &st) != 0) return -1;
    mode_t mode = st.st_mode & 07777;
    size_t n = strlen(attributes);
    for (size_t i = 0; i < n; ++i) {
        if (attributes[i] != 'r' && attributes[i] != 'R') continue;
        char sign = 0;
        if (i > 0 && (attributes[i - 1] == '+' || attributes[i - 1] == '-'))
            sign = attributes[i - 1];
        else if (i + 1 < n && (attributes[i + 1] == '+' || attributes[i + 1] == '-'))
            sign = attributes[i + 1];
        if (sign == '+') mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        if (sign == '-') mode |= S_IWUSR;
    }
    return ::chmod(r.host.c_str(), mode);
}

int dosFsVolumeReadOnlySet(const char* volume, int readOnly) {
    Resolved r;
    if (fs::resolve(volume, r, fs::Read, false) != 0) return -1;
    r.dev->readOnly.store(readOnly != 0);
    return 0;
}
