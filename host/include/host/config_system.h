/*
 * The unit's configuration, read by key.
 */
#ifndef HOST_CONFIG_SYSTEM_H
#define HOST_CONFIG_SYSTEM_H

class C_CONFIG_SYSTEM {
  public:
    /* Value of the key (for example "SETUP_FLAG_NAV_ACTIVATED"); 0 when unknown or null. */
    static int GetValue(const char* p_key);
};

#endif /* HOST_CONFIG_SYSTEM_H */
