#include <gtest/gtest.h>
#include <unistd.h>

#include "front/driver.h"
#include "tests/support.h"

namespace {

const char kUsage[] =
    "Reelkit, Tapeloupe, Version 1.02\n"
    "Copyright (C) 2026 Tapeloupe. All rights reserved.\n"
    "\n"
    "REELKIT filename\n";

// The scan points into the arguments, so they stay alive until the next scan.
CommandLine scan(const std::vector<std::string>& given) {
    static std::vector<std::string> args;
    args = given;
    args.insert(args.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    return scan_arguments(int(argv.size()), argv.data());
}

struct OptionCase {
    const char* arg;
    const char* file_name;  // null: taken as an option
    bool usage;
    int32_t end_budget;
};

TEST(ScanArguments, ExamplesTable) {
    const OptionCase cases[] = {
        {"/dir/file.avi", "/dir/file.avi", false, 262144},
        {"-D:100", nullptr, true, 100},
        {"-D100", nullptr, true, 100},
        {"/d100", nullptr, true, 100},
        {"-D", nullptr, true, 0},
        {"-D=5", nullptr, true, 0},
        {"-D: \t-42x", nullptr, true, -42},
        {"-D+7", nullptr, true, 7},
        {"-D99999999999", nullptr, true, INT32_MAX},
        {"-D-99999999999", nullptr, true, INT32_MIN},
        {"-A5", nullptr, true, 262144},
        {"-Ab", "-Ab", false, 262144},
        {"-", "-", false, 262144},
        {"/", "/", false, 262144},
        {"--x", "--x", false, 262144},
        {"-ab.avi", "-ab.avi", false, 262144},
    };
    for (const OptionCase& c : cases) {
        CommandLine line = scan({c.arg});
        SCOPED_TRACE(c.arg);
        if (c.file_name)
            EXPECT_STREQ(line.file_name, c.file_name);
        else
            EXPECT_EQ(line.file_name, nullptr);
        // An option alone leaves no file name, so the usage text follows.
        EXPECT_EQ(line.show_usage, c.usage);
        EXPECT_EQ(line.end_budget, c.end_budget);
    }
}

TEST(ScanArguments, UnknownLettersStopTheScan) {
    for (const char* arg : {"--", "/?", "-1.avi", "-X"}) {
        CommandLine line = scan({"file.avi", arg, "-D5"});
        SCOPED_TRACE(arg);
        EXPECT_TRUE(line.show_usage);
        EXPECT_EQ(line.end_budget, 262144);  // arguments after the stop are not read
    }
}

TEST(ScanArguments, SettingsAndLastFileNameWin) {
    CommandLine line = scan({"a.avi", "-m:77", "b.avi", "-q0", "/D:-1"});
    EXPECT_STREQ(line.file_name, "b.avi");
    EXPECT_FALSE(line.show_usage);
    EXPECT_EQ(line.embedded_limit, 77);
    EXPECT_EQ(line.atom_limit, 0);
    EXPECT_EQ(line.end_budget, -1);

    CommandLine defaults = scan({"x"});
    EXPECT_EQ(defaults.embedded_limit, 131072);
    EXPECT_EQ(defaults.atom_limit, 4);
}

TEST(ScanArguments, OptionASetsTheCodePageFlag) {
    use_ansi_code_page = 0;
    scan({"-a"});
    EXPECT_EQ(use_ansi_code_page, 1);
    use_ansi_code_page = 0;
}

TEST(Driver, UsageWithoutFileNameOrWithUnknownOption) {
    program_path = "";
    RunResult none = run_driver_as("/opt/reelkit/reelkit", {});
    EXPECT_EQ(none.output, kUsage);
    EXPECT_EQ(none.exit_code, 0);
    EXPECT_STREQ(program_path, "/opt/reelkit/reelkit");

    TempFile text("hello\n");
    RunResult unknown = run_driver({text.path(), "-X"});
    EXPECT_EQ(unknown.output, kUsage);
    EXPECT_EQ(unknown.exit_code, 0);
}

TEST(Driver, FilesThatCannotBeOpened) {
    RunResult missing = run_driver({"no/such/file.avi"});
    EXPECT_EQ(missing.output, "Can't open file \"no/such/file.avi\".\n");
    EXPECT_EQ(missing.exit_code, 1);

    TempFile text("x");
    RunResult directory = run_driver({text.dir()});
    EXPECT_EQ(directory.output, "Can't open file \"" + text.dir() + "\".\n");
    EXPECT_EQ(directory.exit_code, 1);
}

TEST(Driver, FileOfTwoGigabytesIsRefused) {
    TempFile big("");
    // Sparse files: no disk space is used.
    ASSERT_EQ(truncate(big.path().c_str(), (off_t(1) << 31) - 1), 0);
    RunResult below = run_driver({big.path()});
    EXPECT_EQ(below.output.rfind("   File Name:  sample.bin\n", 0), 0u) << below.output;
    EXPECT_EQ(below.exit_code, 0);

    ASSERT_EQ(truncate(big.path().c_str(), off_t(1) << 31), 0);
    RunResult at = run_driver({big.path()});
    EXPECT_EQ(at.output, "File is too big.  Can't handle files over 2GB.\n");
    EXPECT_EQ(at.exit_code, 1);
}

TEST(Driver, EmptyUnknownAndTextFiles) {
    TempFile empty("", "empty.dat");
    RunResult e = run_driver({empty.path()});
    EXPECT_EQ(e.output, "   File Name:  empty.dat\n\n File Format:  empty file\n");
    EXPECT_EQ(e.exit_code, 0);

    TempFile binary(Bytes("\x01\x02\x03", 3), "blob.bin");
    RunResult u = run_driver({binary.path()});
    EXPECT_EQ(u.output, "   File Name:  blob.bin\n\n File Format:  unknown\n");
    EXPECT_EQ(u.exit_code, 0);

    TempFile text("Hello\r\n", "notes.txt");
    RunResult t = run_driver({text.path()});
    EXPECT_EQ(t.output, "   File Name:  notes.txt\n\n File Format:  ASCII Text\n");
    EXPECT_EQ(t.exit_code, 0);
}

}  // namespace
