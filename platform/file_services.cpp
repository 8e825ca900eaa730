#include "platform/platform.h"

#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

// The 64-bit size of the open file, or -1 when the system cannot report it.
static int64_t file_size64(FILE* file) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return -1;
    return int64_t(st.st_size);
}

int32_t file_length(FILE* file) {
    int64_t size = file_size64(file);
    if (size < 0 || size > INT32_MAX) return -1;
    return int32_t(size);
}

bool is_over_2gb(FILE* file) {
    int64_t size = file_size64(file);
    return size >= (int64_t(1) << 31);
}

bool is_directory(FILE* file) {
    struct stat st;
    return fstat(fileno(file), &st) == 0 && S_ISDIR(st.st_mode);
}

const char* display_name(const char* path) {
    // Linux stores names exactly as typed, so the entry's name is the last
    // component of the path; a path naming nothing gives an empty text.
    static std::string name;
    name.clear();
    struct stat st;
    if (stat(path, &st) != 0) return "";
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    size_t slash = p.find_last_of('/');
    name = slash == std::string::npos ? p : p.substr(slash + 1);
    return name.c_str();
}

const char* own_executable_path() {
    static char path[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    path[n > 0 ? n : 0] = '\0';
    return path;
}
