#include "platform/platform.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

extern char** environ;

const char* temp_directory() {
    const char* dir = getenv("TMPDIR");
    return dir && dir[0] ? dir : "/tmp";
}

FILE* create_private_file(const char* path) {
    // O_NOFOLLOW: a symbolic link at the path fails the open instead of
    // leading elsewhere. O_NONBLOCK: a FIFO planted there fails at once
    // rather than stalling the open until someone reads it.
    int fd = open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    // Only this user's own regular file with no second name may be emptied:
    // a hard link planted by someone else would otherwise pass for it.
    struct stat st;
    bool own_file = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid() &&
                    st.st_nlink == 1;
    if (!own_file || fchmod(fd, 0600) != 0 || ftruncate(fd, 0) != 0 ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "w");
    if (!file) close(fd);
    return file;
}

void start_viewer(const char* path) {
    // The viewer is not waited for. Until this short-lived program exits it
    // may linger as a finished child; the system then collects it.
    char viewer[] = "xdg-open";
    char* argv[] = {viewer, const_cast<char*>(path), nullptr};
    pid_t pid;
    posix_spawnp(&pid, viewer, nullptr, nullptr, argv, environ);
}

void sleep_ms(int milliseconds) {
    struct timespec left;
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = long(milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void delete_file(const char* path) { unlink(path); }
