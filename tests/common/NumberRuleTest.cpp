#include "common/NumberRule.h"

#include <gtest/gtest.h>

TEST(NumberRule, Placeholder) { EXPECT_EQ(NumberRule::toInt32(u"12"), 12); }
