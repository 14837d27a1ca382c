// Which formats this system's Media Foundation decodes, asked of the
// Source Reader itself with a clip of each.
#include <windows.h>

#include <string>

#include "audio/mf_formats.h"
#include "audio/mf_check.h"
#include "audio/mf_source.h"

namespace {

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
  const auto formats = MfFormats();
  // One after the other: a dozen at once all failed under Wine, and one
  // takes about 10 ms once Media Foundation has started.
  std::vector<char> opens(formats.size(), 0);
  for (std::size_t i = 0; i < formats.size(); ++i) opens[i] = ClipOpens(formats[i], static_cast<unsigned>(i));
  std::vector<std::string_view> extensions;
  for (std::size_t i = 0; i < formats.size(); ++i)
    if (opens[i]) extensions.push_back(formats[i].extension);
  return extensions;
}
