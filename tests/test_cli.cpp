// End-to-end runs of the built reelkit-cli.
#include <gtest/gtest.h>

#include "tests/support.h"

namespace {

TEST(Cli, ReportsOnStandardOutputWithExitCodes) {
    TempFile text("Hello\r\nworld\n", "hello.txt");
    RunResult ok = run_program(REELKIT_CLI, {text.path()});
    EXPECT_EQ(ok.output, "   File Name:  hello.txt\n\n File Format:  ASCII Text\n");
    EXPECT_EQ(ok.exit_code, 0);

    RunResult missing = run_program(REELKIT_CLI, {"/no/such/file"});
    EXPECT_EQ(missing.output, "Can't open file \"/no/such/file\".\n");
    EXPECT_EQ(missing.exit_code, 1);

    RunResult usage = run_program(REELKIT_CLI, {});
    EXPECT_EQ(usage.output.rfind("Reelkit, Tapeloupe, Version 1.02\n", 0), 0u);
    EXPECT_EQ(usage.exit_code, 0);
}

TEST(Cli, BundledSample) {
    RunResult sample = run_program(REELKIT_CLI, {std::string(REELKIT_SOURCE_DIR) + "/samples/hello.txt"});
    EXPECT_EQ(sample.output, "   File Name:  hello.txt\n\n File Format:  ASCII Text\n");
}

}  // namespace
