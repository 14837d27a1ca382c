#include "stamp/stamp_relay.h"

#include <windows.h>

#include <string>

namespace {

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

void RelayTimestamp(std::string_view text) {
  static const bool underWine = UnderWine();
  if (!underWine) return;
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::string path(exe, length);
  path.erase(path.find_last_of('\\') + 1);
  path += "Dorvane.stamp";
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // a read-only folder: the companion then types nothing
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}
