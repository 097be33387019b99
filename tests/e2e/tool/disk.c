/* A disk as the tests and benchmarks need it, preloaded into the program's
 * Wine process (LD_PRELOAD): it changes only what happens to a file named
 * WebLog.txt, the request log.
 *
 *   ZANT_DISK_FULL=PATH  while the file PATH exists the disk is full: a write
 *                        stores half of what it was given (nothing, if it was
 *                        given one byte) and says so, as a file system that
 *                        runs out of room in the middle of a write does.
 *   ZANT_FLUSH_MS=N      every flush of the log takes N ms, one flush at a
 *                        time, as on a slow disk.
 *   ZANT_FLUSH_COUNT=PATH  one byte is appended to PATH for every flush.
 *
 * Built by the test or benchmark that needs it: cc -shared -fPIC disk.c -ldl */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static pthread_mutex_t disk = PTHREAD_MUTEX_INITIALIZER;

static int is_log(int fd) {
    char link[64], target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (n < 0) return 0;
    target[n] = 0;
    size_t length = (size_t)n;
    return length >= 11 && strcmp(target + length - 11, "/WebLog.txt") == 0;
}

static int disk_full(void) {
    const char* flag = getenv("ZANT_DISK_FULL");
    return flag && access(flag, F_OK) == 0;
}

/* How much of a write of n bytes to fd the disk takes; 0 with errno set when none. */
static size_t room_for(int fd, size_t n) {
    if (n == 0 || !disk_full() || !is_log(fd)) return n;
    if (n == 1) errno = ENOSPC;
    return n / 2;
}

ssize_t write(int fd, const void* data, size_t n) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    size_t room = room_for(fd, n);
    if (room == 0 && n > 0) return -1;
    return real(fd, data, room);
}

ssize_t pwrite(int fd, const void* data, size_t n, off_t at) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real) real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    size_t room = room_for(fd, n);
    if (room == 0 && n > 0) return -1;
    return real(fd, data, room, at);
}

ssize_t pwrite64(int fd, const void* data, size_t n, off_t at) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real) real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
    size_t room = room_for(fd, n);
    if (room == 0 && n > 0) return -1;
    return real(fd, data, room, at);
}

static void slow_flush(int fd) {
    if (!is_log(fd)) return;
    const char* ms = getenv("ZANT_FLUSH_MS");
    const char* count = getenv("ZANT_FLUSH_COUNT");
    pthread_mutex_lock(&disk);
    if (ms) {
        long wait = atol(ms);
        struct timespec pause = {wait / 1000, (wait % 1000) * 1000000L};
        while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
        }
    }
    if (count) {
        int out = open(count, O_WRONLY | O_APPEND | O_CREAT, 0644);
        if (out >= 0) {
            static ssize_t (*real)(int, const void*, size_t);
            if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
            real(out, "f", 1);
            close(out);
        }
    }
    pthread_mutex_unlock(&disk);
}

int fsync(int fd) {
    static int (*real)(int);
    if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    slow_flush(fd);
    return real(fd);
}

int fdatasync(int fd) {
    static int (*real)(int);
    if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
    slow_flush(fd);
    return real(fd);
}
