/*
 * Kernel services of the unit: tasks, time, binary semaphores, message
 * queues, task error numbers and the deferred console log.
 *
 * Every blocking call takes a timeout in system clock ticks (WAIT_FOREVER or
 * NO_WAIT allowed). Every call that can fail returns ERROR (-1), or a null id,
 * and sets the calling task's errno; none crashes on a bad argument.
 *
 * A task argument is a machine word that may carry a pointer, so it is
 * pointer-sized here (_Vx_usr_arg_t).
 */
#ifndef PLATFORM_KERNEL_H
#define PLATFORM_KERNEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int STATUS;
#define OK 0
#define ERROR (-1)

typedef intptr_t _Vx_usr_arg_t;
typedef int (*FUNCPTR)(...);

#define WAIT_FOREVER (-1)
#define NO_WAIT 0

/* ---- Time --------------------------------------------------------------- */

/* Ticks since the process started; a change of tick length never makes it run backwards. */
unsigned long tickGet(void);

/* Ticks per second at the current tick length (500 with the 2 ms default). */
int sysClkRateGet(void);

/* ---- Tasks -------------------------------------------------------------- */

#define VX_FP_TASK 0x1000000

/*
 * Starts a task running entry(a1, ..., a10). Returns its id (> 0), or ERROR
 * with errno set when entry is null, the stack size is negative or the host
 * cannot start a thread. Priority and options are recorded; the stack is never
 * smaller than the host's C library needs. The task ends when entry returns.
 */
int taskSpawn(const char* name, int priority, int options, int stackSize, FUNCPTR entry,
              _Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
              _Vx_usr_arg_t a5, _Vx_usr_arg_t a6, _Vx_usr_arg_t a7, _Vx_usr_arg_t a8,
              _Vx_usr_arg_t a9, _Vx_usr_arg_t a10);

/* Sleeps for the given number of ticks (0 yields). OK, or ERROR if negative. */
STATUS taskDelay(int ticks);

/* OK while the task exists (spawned and its entry has not returned). */
STATUS taskIdVerify(int tid);

/* Id of the calling task; a thread not started by taskSpawn gets its own id too. */
int taskIdSelf(void);

/* Name given at spawn, or null for an unknown id. Valid while the task lives. */
const char* taskName(int tid);

/* ---- Binary semaphores -------------------------------------------------- */

typedef struct semaphore* SEM_ID;

#define SEM_Q_FIFO 0x0
#define SEM_Q_PRIORITY 0x1

typedef enum { SEM_EMPTY = 0, SEM_FULL = 1 } SEM_B_STATE;

/* A new binary semaphore, or null with errno set (bad options or state). */
SEM_ID semBCreate(int options, SEM_B_STATE initialState);

/*
 * Takes the semaphore, waiting at most timeout ticks (WAIT_FOREVER: no limit,
 * NO_WAIT: none). ERROR with errno S_objLib_OBJ_TIMEOUT on timeout,
 * S_objLib_OBJ_UNAVAILABLE for NO_WAIT on an empty semaphore,
 * S_objLib_OBJ_ID_ERROR for a bad id, S_objLib_OBJ_DELETED if deleted while
 * waiting. Waiters are served first in, first out.
 */
STATUS semTake(SEM_ID sem, int timeout);

/* Makes the semaphore full (or hands it to the first waiter). */
STATUS semGive(SEM_ID sem);

/* Deletes the semaphore; its waiters wake with ERROR. */
STATUS semDelete(SEM_ID sem);

/* ---- Message queues ----------------------------------------------------- */

typedef struct msg_queue* MSG_Q_ID;

#define MSG_Q_FIFO 0x0
#define MSG_Q_PRIORITY 0x1
#define MSG_PRI_NORMAL 0
#define MSG_PRI_URGENT 1

/* A queue of at most maxMsgs messages of at most maxMsgLength bytes, or null. */
MSG_Q_ID msgQCreate(int maxMsgs, int maxMsgLength, int options);

/*
 * Appends a copy of the message, waiting at most timeout ticks for room.
 * ERROR for a bad id, a null buffer, a message too long, a timeout or a queue
 * deleted while waiting.
 */
STATUS msgQSend(MSG_Q_ID q, char* buffer, unsigned int nBytes, int timeout, int priority);

/*
 * Takes the oldest message into buffer, waiting at most timeout ticks.
 * Returns the number of bytes copied (at most maxNBytes), or ERROR.
 */
int msgQReceive(MSG_Q_ID q, char* buffer, unsigned int maxNBytes, int timeout);

/* Deletes the queue; its waiters wake with ERROR. */
STATUS msgQDelete(MSG_Q_ID q);

/* ---- Errors ------------------------------------------------------------- */

#define S_objLib_OBJ_ID_ERROR 0x3d0001
#define S_objLib_OBJ_UNAVAILABLE 0x3d0002
#define S_objLib_OBJ_DELETED 0x3d0003
#define S_objLib_OBJ_TIMEOUT 0x3d0004

/* The calling task's last error number. */
int errnoGet(void);
void errnoSet(int value);

/* ---- Console log -------------------------------------------------------- */

/*
 * Formats the message at once (so that string arguments may be freed after the
 * call) and hands it to the console task, which writes it; the caller does not
 * wait for the write. Conversions take their argument as their own type
 * (%d an int, %ld a long, %s a string, %p a pointer, ...). Returns the
 * number of characters queued.
 */
int logMsg(const char* fmt, _Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
           _Vx_usr_arg_t a5, _Vx_usr_arg_t a6);

#ifdef __cplusplus
}
#endif

#endif /* PLATFORM_KERNEL_H */
