#include "pedal/pedal_report.h"

const KnownPedal* FindKnownPedal(std::uint32_t vendorId, std::uint32_t productId) {
  for (const KnownPedal& pedal : knownPedals) {
    if (pedal.vendorId == vendorId && pedal.productId == productId) return &pedal;
  }
  return nullptr;
}

bool IsRegistrableCollection(std::uint16_t usagePage, std::uint16_t usage) {
  constexpr std::uint16_t genericDesktop = 0x01;
  constexpr std::array<std::uint16_t, 4> inputDevices{0x01, 0x02, 0x06, 0x07};  // pointer, mouse, keyboard, keypad
  if (usagePage == 0) return false;
  if (usagePage != genericDesktop) return true;
  for (std::uint16_t u : inputDevices) {
    if (u == usage) return false;
  }
  return true;
}

std::vector<std::span<const std::uint8_t>> SplitRawHidReports(std::uint32_t sizeHid, std::uint32_t count,
                                                              std::span<const std::uint8_t> data) {
  std::vector<std::span<const std::uint8_t>> reports;
  if (sizeHid == 0) return reports;
  // Computed wide: sizeHid * count may not fit 32 bits.
  const std::uint64_t claimed = std::uint64_t{sizeHid} * count;
  if (claimed > data.size()) return reports;
  reports.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) reports.push_back(data.subspan(std::size_t{i} * sizeHid, sizeHid));
  return reports;
}

bool AcceptPedalReport(std::span<const std::uint8_t> report, const PedalReportFormat& format) {
  if (format.reportLength == 0 || report.size() < format.reportLength) return false;
  return format.reportIds.test(report[0]);
}

PedalButtons ButtonsFromUsages(std::span<const std::uint16_t> usages) {
  PedalButtons buttons = 0;
  for (std::uint16_t usage : usages) {
    if (usage >= 1 && usage <= 3) buttons |= static_cast<PedalButtons>(1u << (usage - 1));
  }
  return buttons;
}

std::vector<PedalButtons> DecodePedalReports(std::uint32_t sizeHid, std::uint32_t count,
                                             std::span<const std::uint8_t> data, const PedalReportFormat& format,
                                             const PedalUsageReader& readUsages) {
  std::vector<PedalButtons> sets;
  for (std::span<const std::uint8_t> report : SplitRawHidReports(sizeHid, count, data)) {
    if (!AcceptPedalReport(report, format)) continue;
    const auto usages = readUsages(report.first(format.reportLength));
    if (!usages) continue;
    sets.push_back(ButtonsFromUsages(*usages));
  }
  return sets;
}
