#include "support/UkxStrUtils.h"

#include "tests/TestText.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, FindsLeftToRightWithoutOverlap) {
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
}
