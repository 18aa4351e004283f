/*
 * Hardware identity of the unit: mother-board and daughter-board identifiers.
 */
#ifndef HOST_BOARD_IDS_H
#define HOST_BOARD_IDS_H

int GetMBId1();
int GetMBId2();
int GetDBId1();

#endif /* HOST_BOARD_IDS_H */
