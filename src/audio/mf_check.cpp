// Which formats this system's Media Foundation decodes, asked of the
// Source Reader itself with a clip of each.
#include "audio/mf_check.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "audio/mf_formats.h"
#include "audio/mf_source.h"

namespace {

// Far beyond what the dozen openings take where the decoders answer: each
// is a Source Reader on a clip of a few hundred bytes.
constexpr DWORD kCheckLimitMs = 3000;

// Opens one clip under its extension's name in the temporary folder.
bool ClipOpens(const MfFormat& format, unsigned serial) {
  char folder[MAX_PATH] = "";
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::string path = std::string(folder) + "~dvcheck" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(serial) + "." + std::string(format.extension);
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = WriteFile(file, format.clip.data(), static_cast<DWORD>(format.clip.size()), &written, nullptr) &&
                     written == format.clip.size();
  CloseHandle(file);
  const bool opens = whole && OpenMfSource(path.c_str()).source != nullptr;
  DeleteFileA(path.c_str());
  return opens;
}

}  // namespace

std::vector<std::string_view> MfDecodedExtensions() {
  // One after the other (a dozen at once all failed under Wine), on a
  // thread of their own: a decoder that hangs on its clip keeps the window
  // waiting kCheckLimitMs at most, and the formats checked by then count.
  struct Check {
    std::mutex m;
    std::vector<std::string_view> decoded;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Check() { CloseHandle(done); }
  };
  auto check = std::make_shared<Check>();
  std::thread([check] {
    unsigned serial = 0;
    for (const MfFormat& format : MfFormats()) {
      if (!ClipOpens(format, serial++)) continue;
      std::lock_guard lock(check->m);
      check->decoded.push_back(format.extension);
    }
    SetEvent(check->done);
  }).detach();
  WaitForSingleObject(check->done, kCheckLimitMs);
  std::lock_guard lock(check->m);
  return check->decoded;
}
