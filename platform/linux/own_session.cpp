#include "platform/linux/own_session.h"

#include <spawn.h>

extern char** environ;

pid_t StartInOwnSession(char* const argv[]) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    int error = posix_spawnp(&child, argv[0], nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? child : 0;
}
