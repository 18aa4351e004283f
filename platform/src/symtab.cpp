// The system symbol table: the process's own dynamic symbols.
#include <platform/symtab.h>
#include <platform/sim.h>

#include <dlfcn.h>
#include <errno.h>

#include <mutex>
#include <set>
#include <string>

SYMTAB_ID sysSymTbl = reinterpret_cast<SYMTAB_ID>(&sysSymTbl);

namespace {
std::mutex& hiddenMutex() {
    static std::mutex* m = new std::mutex();
    return *m;
}
std::set<std::string>& hidden() {
    static std::set<std::string>* s = new std::set<std::string>();
    return *s;
}
}  // namespace

namespace platform {
void hideSymbol(const std::string& name) {
    std::lock_guard<std::mutex> lock(hiddenMutex());
    hidden().insert(name);
}
void unhideSymbol(const std::string& name) {
    std::lock_guard<std::mutex> lock(hiddenMutex());
    hidden().erase(name);
}
void unhideAllSymbols() {
    std::lock_guard<std::mutex> lock(hiddenMutex());
    hidden().clear();
}
}  // namespace platform

int symFindByName(SYMTAB_ID table, const char* name, char** value, SYM_TYPE* type) {
    if (table == nullptr || name == nullptr || value == nullptr) {
        errno = EINVAL;
        return -1;
    }
    {
        std::lock_guard<std::mutex> lock(hiddenMutex());
        if (hidden().count(name) != 0) {
            errno = ENOENT;
            return -1;
        }
    }
    dlerror();
    void* address = dlsym(RTLD_DEFAULT, name);
    if (address == nullptr) {
        errno = ENOENT;
        return -1;
    }
    *value = static_cast<char*>(address);
    if (type != nullptr) *type = 0;
    return 0;
}
