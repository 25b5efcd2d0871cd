/* Preloaded into Tastra by the end-to-end benchmark: the longest time the
 * dialog's loop does not wait for events (FLTK waits in select), in
 * milliseconds, kept in $LOOP_STALL_FILE. Deleting the file starts a new
 * measurement. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

static double g_returned;
static double g_longest;

static double NowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static void Record(double stall)
{
    const char* path = getenv("LOOP_STALL_FILE");
    if (!path)
        return;
    int fresh = access(path, F_OK) != 0;
    if (!fresh && stall <= g_longest)
        return;
    g_longest = stall;
    FILE* file = fopen(path, "w");
    if (!file)
        return;
    fprintf(file, "%.1f\n", g_longest);
    fclose(file);
}

int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, struct timeval* timeout)
{
    typedef int (*Select)(int, fd_set*, fd_set*, fd_set*, struct timeval*);
    static Select real;
    if (!real) {
        void* symbol = dlsym(RTLD_NEXT, "select");
        memcpy(&real, &symbol, sizeof real);  /* dlsym's object pointer as a function */
    }
    if (g_returned > 0)
        Record(NowMs() - g_returned);
    int result = real(count, readable, writable, failed, timeout);
    g_returned = NowMs();
    return result;
}
