#include <gtest/gtest.h>

TEST(Skeleton, Builds) { EXPECT_EQ(2, 2); }
