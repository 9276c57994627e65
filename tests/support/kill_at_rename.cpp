// Preloaded into the program by tests that must kill it at one exact
// moment: the rename that puts a file named VORN_KILL_AT_RENAME in place.
// The process dies by SIGKILL before the rename happens, as a power cut
// at that instant would leave it.
#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>
#include <cstring>

namespace {

bool names_target(const char* to) {
    const char* target = std::getenv("VORN_KILL_AT_RENAME");
    if (target == nullptr || *target == '\0' || to == nullptr) return false;
    const std::size_t length = std::strlen(to), wanted = std::strlen(target);
    return length >= wanted && std::strcmp(to + length - wanted, target) == 0 &&
           (length == wanted || to[length - wanted - 1] == '/');
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    if (names_target(to)) ::raise(SIGKILL);
    using Rename = int (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    return real(from, to);
}
