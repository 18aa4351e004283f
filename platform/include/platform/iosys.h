/*
 * The I/O system's device list and the global standard descriptors.
 */
#ifndef PLATFORM_IOSYS_H
#define PLATFORM_IOSYS_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct dev_hdr {
    const char* name;
} DEV_HDR;

/*
 * Walks the device list: null gives the first device, a device the next one;
 * null after the last. The headers stay valid until the device list changes.
 */
DEV_HDR* iosNextDevGet(DEV_HDR* device);

#define STD_IN 0
#define STD_OUT 1
#define STD_ERR 2

/* Makes fd the system-wide standard descriptor stdFd (0, 1 or 2). */
void ioGlobalStdSet(int stdFd, int fd);

/* The system-wide standard descriptor stdFd, stdFd itself until set. */
int ioGlobalStdGet(int stdFd);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_IOSYS_H */
