/*
 * The test programs' own taskSpawn, in front of the platform's: it records the
 * tasks that the code under test spawns, so that a test can wait for them to
 * end, and can make a spawn fail or return only once its task has ended.
 */
#ifndef TESTS_FRAME_SPAWN_HOOK_H
#define TESTS_FRAME_SPAWN_HOOK_H

#include <vector>

namespace spawn_hook {

/* Ids of the tasks spawned since the last ClearSpawned(), in order. */
std::vector<int> Spawned();
void ClearSpawned();

/* Waits (bounded) until every task recorded so far has ended. */
bool WaitSpawnedEnded(long p_timeout_ms = 5000);

/* Non-zero: every spawn fails with this error number until set back to 0. */
void FailSpawns(int p_errno);

/* true: a spawn returns only once its task has ended. */
void ReturnAfterTaskEnd(bool p_on);

}  // namespace spawn_hook

#endif /* TESTS_FRAME_SPAWN_HOOK_H */
