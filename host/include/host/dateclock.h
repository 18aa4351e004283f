/*
 * The unit's network-synchronised clock.
 */
#ifndef HOST_DATECLOCK_H
#define HOST_DATECLOCK_H

typedef struct {
    int hour;   /* 0 to 23 */
    int minute; /* 0 to 59 */
    int second; /* 0 to 59 */
} t_dateclock_time;

typedef struct {
    int day;   /* 1 to 31 */
    int month; /* 0 (January) to 11 */
    int year;  /* two digits: years since 2000 */
} t_dateclock_date;

class C_BCM_DATECLOCK_NETWORK {
  public:
    /* The clock service; never null. */
    static C_BCM_DATECLOCK_NETWORK* Instance();

    /* Current time and date: 0. */
    int GetTime(t_dateclock_time& p_time);
    int GetDate(t_dateclock_date& p_date);
};

#endif /* HOST_DATECLOCK_H */
