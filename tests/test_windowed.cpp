// End-to-end runs of the windowed program with a stand-in viewer first on
// PATH and TMPDIR pointing into the test's own directory. Every run that
// shows a report lasts two seconds (the viewer's grace period), so each run
// checks everything it can.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "tests/support.h"

#ifdef REELKIT_WINDOWED

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A scratch directory holding the stand-in viewer (bin/xdg-open), the
// temporary directory the program is given (tmp/), and what the viewer saw
// (seen/args: argument count and first argument; seen/mode: the report
// file's permissions; seen/copy: the report file's contents).
class WindowedRun : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/reelkit-win-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        root_ = buf.data();
        for (const char* sub : {"/bin", "/tmp", "/seen"}) {
            ASSERT_EQ(mkdir((root_ + sub).c_str(), 0700), 0);
        }
        tmp_ = root_ + "/tmp";
        seen_ = root_ + "/seen";
        std::string viewer = root_ + "/bin/xdg-open";
        write_text(viewer, "#!/bin/sh\n"
                           "printf '%s\\n' \"$#\" \"$1\" > '" + seen_ + "/args'\n"
                           "stat -c %a \"$1\" > '" + seen_ + "/mode'\n"
                           "cp \"$1\" '" + seen_ + "/copy'\n");
        ASSERT_EQ(chmod(viewer.c_str(), 0700), 0);
    }

    void TearDown() override { std::filesystem::remove_all(root_); }

    // The stand-in viewer inherits the program's standard output, so
    // run_program returns only once the viewer has finished too.
    RunResult run(const std::vector<std::string>& args, const std::string& tmpdir) {
        const char* path = getenv("PATH");
        return run_program(REELKIT_WINDOWED, args,
                           {"PATH=" + root_ + "/bin:" + (path ? path : "/usr/bin:/bin"),
                            "TMPDIR=" + tmpdir});
    }
    RunResult run(const std::vector<std::string>& args) { return run(args, tmp_); }

    std::string report_path() const { return tmp_ + "/Reelkit.out"; }

    // The viewer got the report file's path as its one argument, while the
    // file was readable and writable by its owner only, and saw exactly
    // expected; the file is gone afterwards.
    void expect_shown_then_removed(const std::string& expected) {
        EXPECT_EQ(read_file(seen_ + "/args"), "1\n" + report_path() + "\n");
        EXPECT_EQ(read_file(seen_ + "/mode"), "600\n");
        EXPECT_EQ(read_file(seen_ + "/copy"), expected);
        EXPECT_FALSE(exists(report_path()));
        EXPECT_TRUE(std::filesystem::is_empty(tmp_));
    }

    bool viewer_started() const { return exists(seen_ + "/args"); }

    std::string root_, tmp_, seen_;
};

TEST_F(WindowedRun, WithoutArgumentsShowsTheUsageText) {
    RunResult r = run({});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, "");
    RunResult cli = run_program(REELKIT_CLI, {});
    ASSERT_NE(cli.output.find("REELKIT filename\n"), std::string::npos);
    expect_shown_then_removed(cli.output);
}

TEST_F(WindowedRun, MissingFileShowsTheErrorAndExitsWithOne) {
    std::string missing = root_ + "/no such file.avi";
    RunResult r = run({missing});
    EXPECT_EQ(r.exit_code, 1);
    expect_shown_then_removed("Can't open file \"" + missing + "\".\n");
}

// A report file left behind by an earlier run that was cut short is the
// user's own: it is emptied and reused, and made private again.
TEST_F(WindowedRun, TextFileShowsTheSameReportAsTheCommandLineProgram) {
    write_text(report_path(), std::string(5000, 'x'));
    ASSERT_EQ(chmod(report_path().c_str(), 0644), 0);
    TempFile sample("Reels and tapes.\nSecond line.\n", "notes.txt");
    RunResult r = run({sample.path()});
    EXPECT_EQ(r.exit_code, 0);
    RunResult cli = run_program(REELKIT_CLI, {sample.path()});
    EXPECT_EQ(cli.exit_code, 0);
    EXPECT_NE(cli.output.find("   File Name:  notes.txt\n"), std::string::npos);
    EXPECT_NE(cli.output.find("ASCII Text"), std::string::npos);
    expect_shown_then_removed(cli.output);
}

TEST_F(WindowedRun, UnusableTemporaryDirectoryExitsWithOne) {
    std::string missing_dir = root_ + "/gone";
    RunResult r = run({}, missing_dir);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_FALSE(viewer_started());
    EXPECT_FALSE(exists(missing_dir));
}

// Whatever another user may have planted at the fixed report path is
// neither followed nor emptied: the run ends with 1 before anything is
// written or shown.
TEST_F(WindowedRun, RefusesWhatIsPlantedAtTheReportPath) {
    struct Case {
        const char* what;
        bool victim_exists;  // the file the planted entry would lead to
        std::function<int(const std::string& report, const std::string& victim)> plant;
    };
    const Case cases[] = {
        {"symbolic link to a file", true,
         [](const std::string& report, const std::string& victim) {
             return symlink(victim.c_str(), report.c_str());
         }},
        {"symbolic link to nothing", false,
         [](const std::string& report, const std::string& victim) {
             return symlink(victim.c_str(), report.c_str());
         }},
        {"second name of a file", true,
         [](const std::string& report, const std::string& victim) {
             return link(victim.c_str(), report.c_str());
         }},
        {"FIFO", false,
         [](const std::string& report, const std::string&) { return mkfifo(report.c_str(), 0666); }},
        {"directory", false,
         [](const std::string& report, const std::string&) { return mkdir(report.c_str(), 0755); }},
        {"another user's file", false,
         [](const std::string& report, const std::string&) {
             // Needs the right to give a file away; skipped otherwise.
             if (geteuid() != 0) return 1;
             write_text(report, "precious\n");
             return chown(report.c_str(), 65534, 65534);
         }},
    };
    TempFile sample("Some text.\n", "notes.txt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(tmp_);
        std::filesystem::remove_all(seen_);
        ASSERT_EQ(mkdir(tmp_.c_str(), 0700), 0);
        ASSERT_EQ(mkdir(seen_.c_str(), 0700), 0);
        std::string victim = root_ + "/victim";
        std::filesystem::remove(victim);
        if (c.victim_exists) write_text(victim, "precious\n");
        if (c.plant(report_path(), victim) != 0) continue;

        RunResult r = run({sample.path()});
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.output, "");
        EXPECT_FALSE(viewer_started());
        EXPECT_TRUE(exists(report_path()));
        if (c.victim_exists) {
            EXPECT_EQ(read_file(victim), "precious\n");
        } else {
            EXPECT_FALSE(exists(victim));
        }
        struct stat st;
        if (lstat(report_path().c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            EXPECT_EQ(read_file(report_path()), "precious\n");
        }
    }
}

}  // namespace

#endif  // REELKIT_WINDOWED
