#include "app/dpi_scale.h"

#include <gtest/gtest.h>

#include <array>

TEST(ScaleForDpi, RoundsToTheNearestPixel) {
  struct { int value; unsigned dpi; int scaled; } cases[] = {
      {75, 96, 75},   {75, 144, 113},  {75, 120, 94},  {150, 144, 225}, {375, 192, 750},
      {1, 144, 2},    {0, 144, 0},     {75, 0, 75},    {-3, 144, -5},   {2147483647, 96, 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
}

TEST(ScaleStatusEdges, ScalesEveryEdgeButTheOneToTheWindowsEdge) {
  constexpr std::array<int, 6> edges{75, 150, 225, 300, 375, -1};
  EXPECT_EQ(ScaleStatusEdges(edges, 96), (std::vector<int>{75, 150, 225, 300, 375, -1}));
  EXPECT_EQ(ScaleStatusEdges(edges, 144), (std::vector<int>{113, 225, 338, 450, 563, -1}));
  EXPECT_EQ(ScaleStatusEdges(edges, 192), (std::vector<int>{150, 300, 450, 600, 750, -1}));
  EXPECT_TRUE(ScaleStatusEdges({}, 144).empty());
}

TEST(ToolbarImagesFor, SwitchesAt144And192Dpi) {
  struct { unsigned dpi; int percent; int cell; } cases[] = {
      {0, 100, 0}, {96, 100, 0}, {120, 100, 0}, {143, 100, 0}, {144, 150, 24}, {191, 150, 24}, {192, 200, 32}, {288, 200, 32}};
  for (const auto& c : cases) {
    EXPECT_EQ(ToolbarImagesFor(c.dpi).percent, c.percent) << c.dpi;
    EXPECT_EQ(ToolbarImagesFor(c.dpi).cell, c.cell) << c.dpi;
  }
}
