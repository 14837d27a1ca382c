#include "playback/transport_math.h"

#include <gtest/gtest.h>

TEST(ClampSeekTarget, KeepsTargetsWithinTheMediaAndNeverNegative) {
  EXPECT_EQ(ClampSeekTarget(60001, 60000), 59999);
  EXPECT_EQ(ClampSeekTarget(60000, 60000), 60000);
  EXPECT_EQ(ClampSeekTarget(-5, 60000), 0);
  EXPECT_EQ(ClampSeekTarget(INT64_MAX, INT32_MAX), INT32_MAX - 1);
  EXPECT_EQ(ClampSeekTarget(5, 0), 0);  // empty media: not -1
  EXPECT_EQ(ClampSeekTarget(5, INT32_MIN), 0);
}

TEST(FastWind, HeldFastForwardForSixtyTicksFromOneMinute) {
  std::int32_t position = 60000;
  for (std::int32_t seekCount = 0; seekCount < 60; ++seekCount)
    position = ClampSeekTarget(WindTarget(position, FastWindStep(seekCount, 38, 212, 530), +1), 600000);
  EXPECT_EQ(position, 79716);  // 38 steps of 212 ms, then 22 of 530
}

TEST(FastWind, StepsAndTargets) {
  EXPECT_EQ(FastWindStep(29, 30, 340, 850), 340);
  EXPECT_EQ(FastWindStep(30, 30, 340, 850), 850);
  EXPECT_EQ(FastWindStep(0, 0, 212, 530), 530);  // speed-up delay 0: every step fast
  EXPECT_EQ(ClampSeekTarget(WindTarget(100, 212, -1), 60000), 0);
  EXPECT_EQ(WindTarget(INT32_MAX, 850, +1), INT32_MAX);
  EXPECT_EQ(WindTarget(INT32_MIN, INT32_MAX, -1), INT32_MIN);
}

TEST(Sliders, PositionRangeScaleAndSpeed) {
  const PositionSliderRange shortMedia = PositionSliderRangeForLength(250);
  const PositionSliderRange minute = PositionSliderRangeForLength(60000);
  EXPECT_TRUE(shortMedia.min == 1 && shortMedia.max == 3 && shortMedia.ticFreq == 0);
  EXPECT_TRUE(minute.min == 1 && minute.max == 601 && minute.ticFreq == 30);
  EXPECT_EQ(PositionSliderRangeForLength(-500).max, 1);

  EXPECT_EQ(PositionForSliderValue(1), 0);
  EXPECT_EQ(SliderValueForPosition(PositionForSliderValue(357)), 357);
  EXPECT_EQ(SliderValueForPosition(35699), 357);
  EXPECT_EQ(PositionForSliderValue(INT32_MIN), INT32_MIN);

  EXPECT_EQ(SpeedForSlider(0), 750u);
  EXPECT_EQ(SpeedForSlider(5), 1000u);
  EXPECT_EQ(SpeedForSlider(10), 1250u);
  EXPECT_EQ(SpeedForSlider(INT32_MIN), 750u);
}

TEST(BurstCountdown, EveryDelayEndsAndNoneOverflows) {
  struct Case {
    std::int32_t left, leftAfter;
    bool ends;
  };
  for (const Case& c : {Case{INT32_MIN, 0, true}, Case{-1, 0, true}, Case{0, 0, true}, Case{1, 0, true},
                        Case{2, 1, false}, Case{5, 4, false}, Case{INT32_MAX, INT32_MAX - 1, false}}) {
    const BurstCountdown tick = CountDownSeekDelay(c.left);
    EXPECT_EQ(tick.left, c.leftAfter) << c.left;
    EXPECT_EQ(tick.ends, c.ends) << c.left;
  }
  // The default delay of 5 ends on the fifth tick.
  BurstCountdown tick{5, false};
  int ticks = 0;
  do {
    tick = CountDownSeekDelay(tick.left);
    ++ticks;
  } while (!tick.ends);
  EXPECT_EQ(ticks, 5);
}
