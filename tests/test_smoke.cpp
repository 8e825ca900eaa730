#include <gtest/gtest.h>
#include "tests/support.h"
TEST(Smoke, Usage) { EXPECT_EQ(run_driver({}).exit_code, 0); }
