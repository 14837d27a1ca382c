#include "stamp/stamp_options.h"

#include <string>

#include "res/resource.h"
#include "stamp/timestamp_text.h"

namespace {

// The position the samples show: 1 min 23.456 s.
constexpr std::int32_t kSampleMs = 83456;

}  // namespace

void ShowTimestampFormats(HWND dialog, int format) {
  SendDlgItemMessageA(dialog, IDC_ADV_STAMP_FORMAT, CB_RESETCONTENT, 0, 0);
  for (int f = 0; f < timestampFormatCount; ++f) {
    std::string sample = FormatTimestamp(kSampleMs, f);
    sample.pop_back();  // the blank typed after every timestamp
    SendDlgItemMessageA(dialog, IDC_ADV_STAMP_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sample.c_str()));
  }
  SelectTimestampFormat(dialog, format);
}

void SelectTimestampFormat(HWND dialog, int format) {
  if (format < 0 || format >= timestampFormatCount) format = defaultTimestampFormat;
  SendDlgItemMessageA(dialog, IDC_ADV_STAMP_FORMAT, CB_SETCURSEL, format, 0);
}

int SelectedTimestampFormat(HWND dialog) {
  const LRESULT selected = SendDlgItemMessageA(dialog, IDC_ADV_STAMP_FORMAT, CB_GETCURSEL, 0, 0);
  if (selected < 0 || selected >= timestampFormatCount) return defaultTimestampFormat;
  return static_cast<int>(selected);
}
