/*
 * The navigation's destination builder: it stops using the cartography while
 * an upgrade runs. Plugins find these operations by their mangled names.
 */
#ifndef HOST_NAV_BUILD_DEST_H
#define HOST_NAV_BUILD_DEST_H

class C_BCM_NAV_BUILD_DEST {
  public:
    typedef enum {
        UPGRADE_TYPE_MAP = 0,
    } t_upgrade_type;

    /* Enters upgrade mode (the navigation leaves the cartography alone): 0, or -1. */
    int StartUpgrade(t_upgrade_type p_type);
    /* Leaves upgrade mode: 0, or -1. */
    int StopUpgrade();
};

/* The navigation object, or null when the navigation is not running. */
C_BCM_NAV_BUILD_DEST* C_BCM_NAV_BUILD_DEST_Instance();

#endif /* HOST_NAV_BUILD_DEST_H */
