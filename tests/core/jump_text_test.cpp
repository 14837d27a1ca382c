#include "playback/jump_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(JumpText, ShowsWholeMinutesAndSecondsAndReadsThemBack) {
  EXPECT_EQ(JumpInitialText(754321), "12:34");
  EXPECT_EQ(JumpInitialText(59999), "0:59");
  EXPECT_EQ(JumpInitialText(INT32_MIN), "-35791:-23");
  for (std::int32_t ms : {0, 999, 60000, 754321, 3599999, INT32_MAX})
    EXPECT_EQ(ReadJumpText(JumpInitialText(ms)), ms / 1000 * 1000) << ms;
}

TEST(ReadJumpText, ReadsAsScanfPercentDColonPercentD) {
  const struct { const char* text; std::int32_t ms; } cases[] = {
      {"2:30", 150000},    {"2", 120000},       {"1:75", 135000},  {"-2:00", -120000}, {" 2: 30", 150000},
      {"+2:+30", 150000},  {"2:-30", 90000},    {"2:x", 120000},   {"2 :30", 120000},  {"2x30", 120000},
      {"\t3\n:7", 180000},
      {"-1:30", -1},       {"-01", -1},         {"abc", -1},       {"", -1},           {":30", -1},
      {"-:30", -1},        {"-0:5", 5000},
      // Numbers beyond int saturate and the sum is clamped, never overflowing.
      {"99999999999999999999", INT32_MAX},   {"36000:00", INT32_MAX}, {"0:99999999999", INT32_MAX},
      {"-99999999999:0", INT32_MIN},         {"2147483647:-2147483648", INT32_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadJumpText(c.text), c.ms) << '"' << c.text << '"';
}

TEST(ReadJumpText, OnlyTheFirst39CharactersCount) {
  const std::string pad(37, ' ');
  EXPECT_EQ(ReadJumpText(pad + "12"), 720000);
  EXPECT_EQ(ReadJumpText(pad + "1:2"), 60000);  // the seconds are the 40th character
  EXPECT_EQ(ReadJumpText(pad + "  5"), -1);
}
