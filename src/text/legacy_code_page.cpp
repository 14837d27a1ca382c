#include "text/legacy_code_page.h"

#include "text/utf8_text.h"

namespace {

constexpr char kCodePageKey[] = "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage";

}  // namespace

unsigned LegacyCodePageOfKey(HKEY key) {
  char text[16] = "";
  DWORD type = 0;
  DWORD size = sizeof text - 1;
  if (RegQueryValueExA(key, "ACP", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return LegacyCodePageFromText("");
  }
  const std::string_view value(text, size);
  return LegacyCodePageFromText(value.substr(0, value.find('\0')));
}

unsigned LegacyCodePage() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCodePageKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return LegacyCodePageFromText("");
  }
  const unsigned codePage = LegacyCodePageOfKey(key);
  RegCloseKey(key);
  return codePage;
}

std::string LegacyToUtf8(std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return {};
  if (codePage == 1252) return Windows1252ToUtf8(bytes);
  const int count = static_cast<int>(bytes.size());
  const int wideCount = MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
  if (wideCount <= 0) return Windows1252ToUtf8(bytes);
  std::wstring wide(static_cast<std::size_t>(wideCount), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), count, wide.data(), wideCount);
  const int utf8Count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideCount, nullptr, 0, nullptr, nullptr);
  if (utf8Count <= 0) return Windows1252ToUtf8(bytes);
  std::string text(static_cast<std::size_t>(utf8Count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideCount, text.data(), utf8Count, nullptr, nullptr);
  return text;
}

std::string SystemLegacyToUtf8(std::string_view bytes) {
  return LegacyToUtf8(bytes, LegacyCodePage());
}

LegacyDecoder StoredTextDecoder() {
  return GetACP() == CP_UTF8 ? SystemLegacyToUtf8 : nullptr;
}
