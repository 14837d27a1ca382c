#include "playback/position_text.h"

#include <gtest/gtest.h>

#include <climits>

TEST(FormatPosition, PadsMinutesWithABlankAndZeroPadsTheRest) {
  EXPECT_EQ(FormatPosition(0), " 0:00.000");
  EXPECT_EQ(FormatPosition(59999), " 0:59.999");
  EXPECT_EQ(FormatPosition(60000), " 1:00.000");
  EXPECT_EQ(FormatPosition(83456), " 1:23.456");
}

TEST(FormatPosition, WidensMinutesBeyondTwoDigits) {
  EXPECT_EQ(FormatPosition(754000), "12:34.000");
  EXPECT_EQ(FormatPosition(6000000), "100:00.000");
  EXPECT_EQ(FormatPosition(6000000).size(), 10u);
}

TEST(FormatPosition, LargestPositionFitsTwelveCharacters) {
  const std::string text = FormatPosition(INT32_MAX);
  EXPECT_EQ(text, "35791:23.647");
  EXPECT_LE(text.size(), 12u);
}

TEST(FormatPosition, NegativeValuesKeepCSignedRemainders) {
  // A failed or clamped computation must still give readable text, never a crash.
  EXPECT_EQ(FormatPosition(-1), " 0:00.-01");
  EXPECT_EQ(FormatPosition(-61500), "-1:-1.-500");
  EXPECT_EQ(FormatPosition(INT32_MIN), "-35791:-23.-648");
}
