// Replays every saved fuzzer reproducer: examined files through the whole
// driver, "cdb-" files as the codec database of a few lookups.
#include <gtest/gtest.h>
#include <dirent.h>

#include <algorithm>

#include "front/driver.h"
#include "model/codec_db.h"
#include "tests/support.h"

namespace {

std::vector<std::string> regression_files() {
    std::vector<std::string> names;
    std::string dir = std::string(REELKIT_SOURCE_DIR) + "/tests/fuzz/regressions";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FuzzRegressions, EveryReproducerEndsCleanly) {
    for (const std::string& path : regression_files()) {
        SCOPED_TRACE(path);
        if (path.find("/cdb-") != std::string::npos) {
            TempFile db(read_file(path), "reelkit.cdb");
            std::string program = db.dir() + "/reelkit";
            program_path = program.c_str();
            FormatInfo info{};
            EXPECT_TRUE(lookup_codec("msvid", make_fourcc('D', 'I', 'V', 'X'), &info));
            EXPECT_TRUE(lookup_codec("msaud", 0x0055, &info));
            program_path = "";
        } else {
            RunResult run = run_driver({path});
            EXPECT_EQ(run.exit_code, 0);
            EXPECT_EQ(run.output.rfind("   File Name:  ", 0), 0u);
        }
    }
}

}  // namespace
