// Fuzz target: the fuzzer's bytes are the examined file. They are written to
// memory-backed storage and named on the argument vector, so the real open,
// read and seek paths of every identifier run, with the shipped codec
// database beside the program.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "front/driver.h"

static std::string examined_path() {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/reelkit-fuzz-" + std::to_string(getpid()) + ".bin";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = examined_path();
    static FILE* sink = fopen("/dev/null", "w");
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) abort();
    if (size) fwrite(data, 1, size, file);
    fclose(file);

    std::string argv0 = std::string(REELKIT_SOURCE_DIR) + "/data/reelkit";
    std::string name = path;
    char* argv[] = {&argv0[0], &name[0], nullptr};
    identify_and_report(2, argv, sink);
    return 0;
}
