#include "playback/walk_math.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Drives a walk as the device would: each chunk ends at its end and the next
// is computed from there, until a chunk is cut at the end of the media.
// Each play reads "from-to counter".
std::vector<std::string> Walk(std::int32_t start, std::int32_t length, std::int32_t walkLength,
                              std::int32_t backspace, std::int32_t loops, std::size_t maxPlays = 100) {
  std::int32_t position = FirstWalkChunkEnd(start, walkLength, length);
  std::vector<std::string> plays{std::to_string(start) + "-" + std::to_string(position) + " " +
                                 WalkCounterText(0, loops)};
  WalkStep step;
  while (step.stillWalking && plays.size() < maxPlays) {
    step = NextWalkChunk(step.walkLoop, loops, position, walkLength, backspace, length);
    plays.push_back(std::to_string(step.from) + "-" + std::to_string(step.to) + " " +
                    WalkCounterText(step.walkLoop, loops));
    position = step.to;
  }
  return plays;
}

}  // namespace

TEST(Walk, DefaultsFromTenSecondsOnTwentySecondMedia) {
  std::vector<std::string> expected;
  for (int from : {10000, 11500, 13000, 14500, 16000})
    for (int loop = 1; loop <= 3; ++loop)
      expected.push_back(std::to_string(from) + "-" + std::to_string(from + 3000) + " " + std::to_string(loop) + " of 3");
  expected.push_back("17500-20000 1 of 3");  // cut at the end; the walk stops
  EXPECT_EQ(Walk(10000, 20000, 3000, 1500, 3), expected);
}

TEST(Walk, AdvanceIsWalkLengthLessBackspace) {
  EXPECT_EQ(Walk(0, 8000, 3000, 1000, 1),
            (std::vector<std::string>{"0-3000 1 of 1", "2000-5000 1 of 1", "4000-7000 1 of 1", "6000-8000 1 of 1"}));
  EXPECT_EQ(Walk(500, 5000, 2000, 0, 1),
            (std::vector<std::string>{"500-2500 1 of 1", "2500-4500 1 of 1", "4500-5000 1 of 1"}));
  // A backspace above the walk length raises the walk length to it: no advance.
  EXPECT_EQ(Walk(4000, 20000, 2500, 2500, 2, 4),
            (std::vector<std::string>{"4000-6500 1 of 2", "4000-6500 2 of 2", "4000-6500 1 of 2", "4000-6500 2 of 2"}));
}

TEST(Walk, LoweringTheLoopCountMidWalkAdvances) {
  const WalkStep step = NextWalkChunk(2, 2, 13000, 3000, 1500, 20000);  // showed 3 of 5, count now 2
  EXPECT_TRUE(step.walkLoop == 0 && step.from == 11500 && step.to == 14500 && step.stillWalking);
  EXPECT_EQ(WalkCounterText(step.walkLoop, 2), "1 of 2");
}

TEST(Walk, ChunksStartAtZeroAndStayWithinInt32) {
  const WalkStep early = NextWalkChunk(0, 3, 1000, 3000, 1500, 20000);
  EXPECT_TRUE(early.from == 0 && early.to == 3000);
  EXPECT_EQ(FirstWalkChunkEnd(19000, 3000, 20000), 20000);
  EXPECT_EQ(FirstWalkChunkEnd(INT32_MAX, 5000, INT32_MAX), INT32_MAX);
  const WalkStep far = NextWalkChunk(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 0, INT32_MAX);
  EXPECT_TRUE(far.walkLoop == 0 && far.to == INT32_MAX && !far.stillWalking);
  EXPECT_EQ(WalkCounterText(INT32_MAX, 10), "2147483648 of 10");
}
