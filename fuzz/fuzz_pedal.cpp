// Arbitrary bytes as a raw HID block from a pedal: the first bytes choose the
// block's claimed report size and count and the descriptor's report length
// and id, the rest are the bytes that arrived. The decoder must never read
// outside them, and every set it gives holds only the three pedals.
#include "pedal/pedal_machine.h"
#include "pedal/pedal_report.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A parser for a descriptor of one-bit buttons after the report id byte.
std::optional<std::vector<std::uint16_t>> BitButtons(std::span<const std::uint8_t> report) {
  std::vector<std::uint16_t> usages;
  for (std::size_t bit = 8; bit < report.size() * 8; ++bit) {
    if (report[bit / 8] & (1u << (bit % 8))) usages.push_back(static_cast<std::uint16_t>(bit - 7));
  }
  if (report.size() % 5 == 4) return std::nullopt;  // some reports refused
  return usages;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  const std::uint32_t sizeHid = data[0] | (data[1] & 0x0F) << 8;
  const std::uint32_t count = data[2] | std::uint32_t{data[3]} << 24;  // small and huge counts
  PedalReportFormat format;
  format.reportLength = data[4] % 16;
  format.reportIds.set(data[5]);
  const std::vector<std::uint8_t> arrived(data + 6, data + size);  // exactly what arrived, for ASan

  std::size_t calls = 0;
  const auto reader = [&](std::span<const std::uint8_t> report) {
    ++calls;
    Check(report.size() == format.reportLength);
    return BitButtons(report);
  };
  const std::vector<PedalButtons> sets = DecodePedalReports(sizeHid, count, arrived, format, reader);
  Check(sets.size() <= calls);
  Check(calls == 0 || std::uint64_t{sizeHid} * count <= arrived.size());

  PedalButtons before = 0;
  for (PedalButtons now : sets) {
    Check((now & ~(pedalLeft | pedalMiddle | pedalRight)) == 0);
    Check(PedalCommandFor(before, now, PedalMode::HoldToPlay) == PedalCommand::None || before != now);
    before = now;
  }
  return 0;
}
