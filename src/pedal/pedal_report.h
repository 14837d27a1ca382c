// Foot pedal input, the portable part: the table of known pedals, which HID
// collections may be registered, and the decoding of the raw HID block that
// arrives with each WM_INPUT into the set of pedals held down. The system's
// HID parser (which reads a report's button usages from the device's own
// descriptor) is handed in as a function, so this part needs no Win32.
#pragma once
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The pedals held down: buttons 1, 2 and 3 of the pedal's button usages.
using PedalButtons = std::uint8_t;
inline constexpr PedalButtons pedalLeft = 1;
inline constexpr PedalButtons pedalMiddle = 2;
inline constexpr PedalButtons pedalRight = 4;

struct KnownPedal {
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::string_view name;
};

// Pedals read directly. Adding one is adding a line.
inline constexpr std::array<KnownPedal, 2> knownPedals{{
    {0x05F3, 0x00FF, "VEC Infinity IN-USB-1 / IN-USB-2"},
    {0x05F3, 0x0268, "X-keys foot pedal"},
}};

// The known pedal with these ids, or nullptr. The system gives the ids as
// 32-bit values; anything above 16 bits is no known pedal.
const KnownPedal* FindKnownPedal(std::uint32_t vendorId, std::uint32_t productId);

inline constexpr std::uint16_t consumerUsagePage = 0x0C;
inline constexpr std::uint16_t buttonUsagePage = 0x09;

// Whether a top-level collection may be registered for raw input. The
// generic desktop's pointer, mouse, keyboard and keypad never are: the hot
// keys and the mouse stay exactly as they are. Page 0 names nothing.
bool IsRegistrableCollection(std::uint16_t usagePage, std::uint16_t usage);

// What the device's descriptor says about its input reports.
struct PedalReportFormat {
  std::uint32_t reportLength = 0;  // bytes of an input report, report id byte included
  std::bitset<256> reportIds;      // ids the button usages come under; id 0 when the device uses none
};

// The reports of one raw HID block: count reports of sizeHid bytes each,
// taken from data, the bytes that actually arrived. No report at all when
// the block claims more than arrived (or sizeHid is 0): its counts are not
// to be trusted.
std::vector<std::span<const std::uint8_t>> SplitRawHidReports(std::uint32_t sizeHid, std::uint32_t count,
                                                              std::span<const std::uint8_t> data);

// A report is read only when it is at least as long as the descriptor says
// and its first byte is one of the report ids that carry the buttons.
bool AcceptPedalReport(std::span<const std::uint8_t> report, const PedalReportFormat& format);

// Button usages 1, 2 and 3 are left, middle and right; others are ignored.
PedalButtons ButtonsFromUsages(std::span<const std::uint16_t> usages);

// The button usages down in one report (given exactly format.reportLength
// bytes), or nothing when the parser refuses the report.
using PedalUsageReader = std::function<std::optional<std::vector<std::uint16_t>>(std::span<const std::uint8_t>)>;

// The pedals held down after each report of a raw HID block that is
// accepted and parsed, in the order the reports came. Reports that are
// refused at any step are left out.
std::vector<PedalButtons> DecodePedalReports(std::uint32_t sizeHid, std::uint32_t count,
                                             std::span<const std::uint8_t> data, const PedalReportFormat& format,
                                             const PedalUsageReader& readUsages);
