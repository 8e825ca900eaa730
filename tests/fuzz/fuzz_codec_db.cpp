// Fuzz target: the fuzzer's bytes are the codec database, read by a few fixed
// lookups of every section and key form.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "front/driver.h"
#include "model/codec_db.h"
#include "model/ident_record.h"

static std::string database_dir() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string dir = std::string(base) + "/reelkit-fuzz-db-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    return dir;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = database_dir();
    static const std::string program = dir + "/reelkit";
    FILE* db = fopen((dir + "/reelkit.cdb").c_str(), "wb");
    if (!db) abort();
    if (size) fwrite(data, 1, size, db);
    fclose(db);

    program_path = program.c_str();
    FormatInfo info;
    const struct {
        const char* section;
        uint32_t id;
    } lookups[] = {
        {"msvid", make_fourcc('D', 'I', 'V', 'X')}, {"msaud", 0x0055}, {"msaud", 0x0001},
        {"qtvid", make_fourcc('a', 'v', 'c', '1')}, {"qtaud", make_fourcc('r', 'a', 'w', ' ')},
        {"msvid", 0},
    };
    for (const auto& l : lookups) lookup_codec(l.section, l.id, &info);
    return 0;
}
