/*
 * File system of the unit, seen through unit paths such as "/bd0/DATA/..."
 * (the upgrade medium), "/sdhc:0/MAPPE/..." (the SD card), "/SYSTEM/..." and
 * "/SYSTEM_TMP_DATA/...".
 *
 * A path names a device by the longest device name that begins it; runs of
 * slashes count as one. A path on no device fails as a missing file does
 * (ENOENT). On FAT volumes (the medium and the card) a name that does not
 * exist in the exact case given is found in any case; a new name takes the
 * case given.
 *
 * A removed device fails every access (ENODEV), including reads and writes
 * on descriptors and streams opened before its removal. A read-only volume
 * refuses every write, create, rename and delete (EROFS). A volume with a
 * capacity refuses a write past it (ENOSPC).
 *
 * Every call returns -1 (or null) with errno set on failure, null paths and
 * bad descriptors included; none crashes.
 *
 * Descriptors and streams are the host's own once opened: streams work with
 * fgets, fread, fwrite, fseek, ftell, fflush, setvbuf and fclose; directories
 * with readdir and closedir. Descriptors must be read, written, moved, queried
 * and closed through the calls below.
 */
#ifndef PLATFORM_FILEIO_H
#define PLATFORM_FILEIO_H

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Figures of a volume, as the target's statfs gives them. */
struct unit_statfs {
    long f_bsize;  /* allocation block size in bytes */
    long f_blocks; /* blocks on the volume */
    long f_bfree;  /* free blocks */
    long f_bavail; /* free blocks for an ordinary user */
};

/* POSIX flags and modes (O_RDONLY, O_CREAT, ...) as in <fcntl.h>. */
int fsOpen(const char* path, int flags, int mode);
int fsCreat(const char* path, int mode);
int fsClose(int fd);
ssize_t fsRead(int fd, void* buffer, size_t count);
ssize_t fsWrite(int fd, const void* buffer, size_t count);
off_t fsLseek(int fd, off_t offset, int whence);
/* st_blksize is the volume's allocation block size. */
int fsFstat(int fd, struct stat* st);

/* stdio modes ("r", "rb", "r+", "rb+", "w", "wb", "a", ...). */
FILE* fsFopen(const char* path, const char* mode);

DIR* fsOpendir(const char* path);

int fsStat(const char* path, struct stat* st);
int fsMkdir(const char* path, int mode);
/* Replaces an existing file of the new name, as the target's rename does. */
int fsRename(const char* oldPath, const char* newPath);
/* Removes a file or an empty folder. */
int fsRemove(const char* path);
int fsUnlink(const char* path);
int fsRmdir(const char* path);
int fsStatfs(const char* path, struct unit_statfs* st);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_FILEIO_H */
