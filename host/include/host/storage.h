/*
 * Storage services: the card's cartography directory, its free space and the
 * names of the unit's permanent devices.
 */
#ifndef HOST_STORAGE_H
#define HOST_STORAGE_H

#include <host/CMMString.h>

/* A storage volume, named by its directory (for example "/sdhc:0/"). */
class C_FS_STORAGE_ENTITY {
  public:
    C_FS_STORAGE_ENTITY();
    C_FS_STORAGE_ENTITY(const C_FS_STORAGE_ENTITY& other);
    C_FS_STORAGE_ENTITY& operator=(const C_FS_STORAGE_ENTITY& other);
    ~C_FS_STORAGE_ENTITY();

    /* The directory name, ending with '/'; empty until a service fills the entity. */
    const CMMString& GetName() const;
    void SetName(const CMMString& p_name);

  private:
    CMMString m_name;
};

class C_FS_STORAGE_CTRL_PATH {
  public:
    /*
     * Fills p_volume with the card's cartography directory ("/sdhc:0/").
     * 0 on success; non-zero (usually -1) on failure, p_volume unchanged.
     */
    static int GetCartographyDir(C_FS_STORAGE_ENTITY& p_volume);
};

class C_FS_STORAGE_CTRL_IO {
  public:
    /*
     * Free bytes of the volume into p_bytes: 0 on success; -1 on failure
     * (empty name, no such device, device removed), p_bytes unchanged.
     */
    static int GetFreeSpace(C_FS_STORAGE_ENTITY& p_volume, long long& p_bytes);
};

/* Permanent devices of the unit. */
#define PERMANENT_DEVICE_SD_CARD 5

/*
 * Device name of a permanent device (PERMANENT_DEVICE_SD_CARD: "/sdhc:0",
 * without a final '/') into *p_name: 0 on success, -1 for an unknown device
 * or a null p_name (*p_name unchanged).
 */
int PermanentDevice_GetDeviceName(int p_device, CMMString* p_name);

#endif /* HOST_STORAGE_H */
