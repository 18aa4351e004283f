/*
 * File commands of the unit's file system, on unit paths (see fileio.h).
 * Each returns 0 (OK) or -1 (ERROR) with errno set.
 */
#ifndef PLATFORM_FILECMD_H
#define PLATFORM_FILECMD_H

#ifdef __cplusplus
extern "C" {
#endif

/* Copies a file; the destination may be a folder, which receives the file under its own name. */
int cp(const char* source, const char* destination);

/* Copies the file source to the file destination (replaced if it exists). */
int copy_blk(const char* source, const char* destination);

/* Moves a file or folder, replacing an existing file of the new name. */
int mv(const char* source, const char* destination);

/* Removes a file. */
int rm(const char* path);

/*
 * Removes a file or a folder with all its contents. The last component may
 * hold '*' and '?' wildcards: every entry of the folder that matches is
 * removed (FAT volumes match without regard to case). Nothing matching is
 * not an error for a wildcard, and ENOENT for a plain name.
 */
int xdelete(const char* path);

/* Sets the attributes of a file: "+r"/"r+" read-only, "-r"/"r-" writable; other letters are
 * accepted and ignored. */
int attrib(const char* path, const char* attributes);

/* 1: the volume that holds path becomes read-only; 0: read/write. */
int dosFsVolumeReadOnlySet(const char* volume, int readOnly);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_FILECMD_H */
