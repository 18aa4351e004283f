/*
 * Defined in the test program, this taskSpawn is the one that the plugin's
 * code (linked in, or in the loaded module) binds to; it forwards to the
 * platform's.
 */
#include "spawn_hook.h"

#include <dlfcn.h>
#include <errno.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include <platform/kernel.h>

namespace {

using t_spawn = int (*)(const char*, int, int, int, FUNCPTR, _Vx_usr_arg_t, _Vx_usr_arg_t,
                        _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t,
                        _Vx_usr_arg_t, _Vx_usr_arg_t, _Vx_usr_arg_t);

std::mutex s_mutex;
std::vector<int> s_spawned;
std::atomic<int> s_fail_errno{0};
std::atomic<bool> s_return_after_end{false};

t_spawn PlatformSpawn() {
    static t_spawn s_next = reinterpret_cast<t_spawn>(dlsym(RTLD_NEXT, "taskSpawn"));
    return s_next;
}

}  // namespace

extern "C" int taskSpawn(const char* name, int priority, int options, int stackSize, FUNCPTR entry,
                         _Vx_usr_arg_t a1, _Vx_usr_arg_t a2, _Vx_usr_arg_t a3, _Vx_usr_arg_t a4,
                         _Vx_usr_arg_t a5, _Vx_usr_arg_t a6, _Vx_usr_arg_t a7, _Vx_usr_arg_t a8,
                         _Vx_usr_arg_t a9, _Vx_usr_arg_t a10) {
    int l_fail = s_fail_errno.load();
    if (l_fail != 0) {
        errnoSet(l_fail);
        return ERROR;
    }
    t_spawn l_spawn = PlatformSpawn();
    if (l_spawn == nullptr) {
        errnoSet(ENOSYS);
        return ERROR;
    }
    int l_tid =
        l_spawn(name, priority, options, stackSize, entry, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10);
    if (l_tid == ERROR) {
        return ERROR;
    }
    {
        std::lock_guard<std::mutex> l_guard(s_mutex);
        s_spawned.push_back(l_tid);
    }
    if (s_return_after_end.load()) {
        while (taskIdVerify(l_tid) == OK) {
            taskDelay(1);
        }
    }
    return l_tid;
}

namespace spawn_hook {

std::vector<int> Spawned() {
    std::lock_guard<std::mutex> l_guard(s_mutex);
    return s_spawned;
}

void ClearSpawned() {
    std::lock_guard<std::mutex> l_guard(s_mutex);
    s_spawned.clear();
}

bool WaitSpawnedEnded(long p_timeout_ms) {
    auto l_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(p_timeout_ms);
    for (int l_tid : Spawned()) {
        while (taskIdVerify(l_tid) == OK) {
            if (std::chrono::steady_clock::now() > l_end) {
                return false;
            }
            taskDelay(1);
        }
    }
    return true;
}

void FailSpawns(int p_errno) { s_fail_errno = p_errno; }

void ReturnAfterTaskEnd(bool p_on) { s_return_after_end = p_on; }

}  // namespace spawn_hook
