#include "pedal/pedal_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The Infinity pedal's descriptor: no report ids (the system puts id 0 in
// front), then 16 one-bit buttons, button n at bit n - 1. This plays the
// system's HID parser for that descriptor.
std::optional<std::vector<std::uint16_t>> InfinityUsages(std::span<const std::uint8_t> report) {
  if (report.size() != 3 || report[0] != 0) return std::nullopt;
  std::vector<std::uint16_t> usages;
  for (int bit = 0; bit < 16; ++bit) {
    if (report[1 + bit / 8] & (1 << (bit % 8))) usages.push_back(static_cast<std::uint16_t>(bit + 1));
  }
  return usages;
}

PedalReportFormat Infinity() {
  PedalReportFormat format;
  format.reportLength = 3;
  format.reportIds.set(0);
  return format;
}

std::vector<PedalButtons> Decode(std::uint32_t sizeHid, std::uint32_t count, const Bytes& data,
                                 const PedalReportFormat& format = Infinity()) {
  return DecodePedalReports(sizeHid, count, data, format, InfinityUsages);
}

TEST(PedalReport, InfinityReportsAsTheyArrive) {
  // Byte 1 holds the pedals: 01 left, 02 middle, 04 right.
  struct Case {
    Bytes report;
    PedalButtons buttons;
  };
  const std::vector<Case> cases{
      {{0x00, 0x00, 0x00}, 0},
      {{0x00, 0x01, 0x00}, pedalLeft},
      {{0x00, 0x02, 0x00}, pedalMiddle},
      {{0x00, 0x04, 0x00}, pedalRight},
      {{0x00, 0x07, 0x00}, pedalLeft | pedalMiddle | pedalRight},
      {{0x00, 0xFA, 0xFF}, pedalMiddle},  // buttons 4 to 16 are no pedals
  };
  for (const Case& c : cases) EXPECT_EQ(Decode(3, 1, c.report), std::vector<PedalButtons>{c.buttons});
}

TEST(PedalReport, SeveralReportsInOneBlockKeepTheirOrder) {
  EXPECT_EQ(Decode(3, 3, {0, 2, 0, 0, 0, 0, 0, 1, 0}), (std::vector<PedalButtons>{pedalMiddle, 0, pedalLeft}));
}

TEST(PedalReport, BlocksThatClaimMoreThanArrivedGiveNothing) {
  const Bytes three{0, 2, 0};
  EXPECT_TRUE(Decode(3, 2, three).empty());
  EXPECT_TRUE(Decode(4, 1, three).empty());
  EXPECT_TRUE(Decode(0, 1, three).empty());
  EXPECT_TRUE(Decode(0x8000'0000u, 0x8000'0000u, three).empty()) << "the product does not fit 32 bits";
  EXPECT_TRUE(Decode(3, 1, {}).empty());
  EXPECT_EQ(Decode(3, 0, three).size(), 0u);
  EXPECT_EQ(Decode(1, 3, three).size(), 0u) << "one-byte reports are shorter than the descriptor says";
}

TEST(PedalReport, ShortReportsAndUnknownReportIdsAreRefused) {
  EXPECT_TRUE(Decode(2, 1, {0, 2}).empty());
  EXPECT_TRUE(Decode(3, 1, {5, 2, 0}).empty());
  PedalReportFormat withIds = Infinity();
  withIds.reportIds.reset();
  withIds.reportIds.set(5);
  EXPECT_TRUE(Decode(3, 1, {0, 2, 0}, withIds).empty());
  EXPECT_TRUE(Decode(3, 1, {0, 2, 0}, PedalReportFormat{}).empty()) << "a device with no input reports";
  // A longer report is read as long as the descriptor says.
  EXPECT_EQ(Decode(4, 1, {0, 4, 0, 0xFF}), std::vector<PedalButtons>{pedalRight});
}

TEST(PedalReport, AReportTheParserRefusesIsLeftOut) {
  const auto refuseMiddle = [](std::span<const std::uint8_t> r) -> std::optional<std::vector<std::uint16_t>> {
    if (r[1] == 2) return std::nullopt;
    return std::vector<std::uint16_t>{1};
  };
  EXPECT_EQ(DecodePedalReports(3, 2, Bytes{0, 2, 0, 0, 1, 0}, Infinity(), refuseMiddle),
            std::vector<PedalButtons>{pedalLeft});
}

TEST(PedalDevices, KnownPedalsAndRegistrableCollections) {
  EXPECT_NE(FindKnownPedal(0x05F3, 0x00FF), nullptr);
  EXPECT_NE(FindKnownPedal(0x05F3, 0x0268), nullptr);
  EXPECT_EQ(FindKnownPedal(0x05F3, 0x0001), nullptr);
  EXPECT_EQ(FindKnownPedal(0x105F3, 0x00FF), nullptr);
  EXPECT_TRUE(IsRegistrableCollection(0x0C, 0x01));
  EXPECT_TRUE(IsRegistrableCollection(0xFF00, 0x01));
  EXPECT_TRUE(IsRegistrableCollection(0x01, 0x04));  // joystick
  for (std::uint16_t usage : {1, 2, 6, 7}) EXPECT_FALSE(IsRegistrableCollection(0x01, usage)) << usage;
  EXPECT_FALSE(IsRegistrableCollection(0, 0));
}

}  // namespace
