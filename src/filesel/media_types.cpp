#include "filesel/media_types.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "app/player_state.h"
#include "audio/mf_check.h"
#include "filesel/file_dialogs.h"

MediaTypeTable mediaTypes{};
const int& mediaTypeCount = mediaTypes.count;

namespace {

constexpr char kMciExtensionsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\MCI Extensions";
constexpr char kMciExtensionsSection[] = "mci extensions";
constexpr DWORD kValueNameCapacity = 50;
constexpr DWORD kValueDataCapacity = 30;
constexpr DWORD kProfileCapacity = 1000;

static_assert(sizeof mediaFilter == kMediaFilterBufferSize);

// The media path the starting entry follows, as BuildMediaFilter found it.
std::string filterPath;
bool ownFormatsAdded = false;

void WriteMediaFilter() {
  const MediaFilter filter = BuildMediaFilterText(mediaTypes, filterPath, true);
  const std::size_t size = std::min(filter.text.size(), sizeof mediaFilter);
  std::memcpy(mediaFilter, filter.text.data(), size);  // the builder keeps to the buffer
  MediaOpenDialog().nFilterIndex = static_cast<DWORD>(filter.defaultIndex);
}

}  // namespace

void AddRegistryMediaTypes(MediaTypeTable& table, HKEY root, const char* subkey) {
  HKEY key = nullptr;
  if (RegOpenKeyA(root, subkey, &key) != ERROR_SUCCESS) return;
  for (DWORD index = 0;; ++index) {
    char name[kValueNameCapacity];
    BYTE data[kValueDataCapacity];
    DWORD nameSize = sizeof name;  // both capacities are set again before every call
    DWORD dataSize = sizeof data;
    DWORD type = REG_NONE;
    const LONG status = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
    // A value too long for the buffers is skipped; the values after it still count.
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    AddMediaExtension(table, std::string_view(name, std::min(nameSize, kValueNameCapacity)),
                      std::string_view(reinterpret_cast<const char*>(data), std::min(dataSize, kValueDataCapacity)));
  }
  RegCloseKey(key);
}

void AddProfileMediaTypes(MediaTypeTable& table, const char* section) {
  char lines[kProfileCapacity];
  const DWORD length = GetProfileSectionA(section, lines, sizeof lines);
  AddProfileSection(table, std::string_view(lines, std::min(length, kProfileCapacity)));
}

void BuildMediaFilter() {
  AddRegistryMediaTypes(mediaTypes, HKEY_LOCAL_MACHINE, kMciExtensionsKey);
  AddProfileMediaTypes(mediaTypes, kMciExtensionsSection);
  filterPath = player.mediaPath;
  ownFormatsAdded = false;
  WriteMediaFilter();
}

void AddOwnFormatsToMediaFilter() {
  if (ownFormatsAdded) return;
  ownFormatsAdded = true;
  AddOwnDeviceExtensions(mediaTypes, MfDecodedExtensions());
  WriteMediaFilter();
}
