/*
 * The unit's context data store: small binary items published by services.
 */
#ifndef HOST_CONTEXT_DATA_H
#define HOST_CONTEXT_DATA_H

/* Groups and items of the store. */
#define CDD_GROUP_UPGRADE 18000
#define CDD_ITEM_UPGRADE_STATE 18001

/* The upgrade manager's state, item CDD_ITEM_UPGRADE_STATE, a 4-byte integer. */
typedef enum {
    BCM_UPGRADE_IDLE = 0,
    BCM_UPGRADE_ENDED_KO = 7,
} t_bcm_upgrade_state;

class C_CONTEXT_DYNAMIC_DATA {
  public:
    /*
     * Copies item p_item into p_buffer: 0 when the item exists and p_size
     * equals its size; -1 otherwise (p_buffer untouched).
     */
    static int Get(int p_item, void* p_buffer, int p_size);
    /* Stores p_size bytes (1 to 256) as item p_item of p_group: 0, or -1. */
    static int Set(int p_group, int p_item, const void* p_buffer, int p_size);
};

#endif /* HOST_CONTEXT_DATA_H */
