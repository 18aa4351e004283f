/*
 * Reboot services. On the simulated unit they are only recorded.
 */
#ifndef HOST_REBOOT_H
#define HOST_REBOOT_H

/* Object-table key of the fail-soft component. */
#define OBJ_PTR_FAILSOFT 26400

class C_BCM_FAILSOFT {
  public:
    /* Orderly reboot of the unit; 0, or -1. */
    int RebootSystem(bool p_save_context);
};

/* The table of the unit's service objects. */
class C_OBJ_PTR_Table {
  public:
    /* The object of that key and instance (OBJ_PTR_FAILSOFT, 0: a C_BCM_FAILSOFT*), or null. */
    static void* GetObjPtr(unsigned short p_key, unsigned short p_instance);
};

/* Immediate reboot, without the fail-soft component. */
void EmergencyReboot();

#endif /* HOST_REBOOT_H */
