#include "filesel/file_dialogs.h"

#include <vector>

char mediaFilter[kMediaFilterBufferSize] =
    "Wave Audio Files (*.wav)\0*.wav\0Video for Windows (*.avi)\0*.avi\0All Files (*.*)\0*.*\0";

namespace {

constexpr char kOptionsFilter[] = "Dorvane User Files (*.usr)\0*.usr\0";

OPENFILENAMEA MakeRecord(const char* filter, const char* title, DWORD flags) {
  OPENFILENAMEA record{};
  record.lStructSize = sizeof record;
  record.lpstrFilter = filter;
  record.nFilterIndex = 1;
  record.lpstrTitle = title;
  record.Flags = flags;
  record.lpstrDefExt = "*";
  return record;
}

}  // namespace

OPENFILENAMEA& MediaOpenDialog() {
  static OPENFILENAMEA record = MakeRecord(mediaFilter, "Open sound file",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  return record;
}

OPENFILENAMEA& OptionsOpenDialog() {
  static OPENFILENAMEA record = MakeRecord(kOptionsFilter, "Open Dorvane User File",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  return record;
}

OPENFILENAMEA& OptionsSaveDialog() {
  static OPENFILENAMEA record = MakeRecord(kOptionsFilter, "Save Dorvane User File As ...",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST);
  return record;
}

bool RunFileDialog(OPENFILENAMEA& record, HWND owner, std::string& path, FileDialogKind kind) {
  // Far more than the longest path the system takes, so that a long name in
  // any script never fails the dialog for want of room; and the dialog's
  // answer lands here, never in the path in force.
  static std::vector<char> buffer(kFileDialogBufferBytes);
  const std::size_t n = path.size() < buffer.size() ? path.size() : 0;
  path.copy(buffer.data(), n);
  buffer[n] = '\0';
  record.hwndOwner = owner;
  record.lpstrFile = buffer.data();
  record.nMaxFile = static_cast<DWORD>(buffer.size());
  const BOOL chosen = kind == FileDialogKind::kSave ? GetSaveFileNameA(&record) : GetOpenFileNameA(&record);
  record.lpstrFile = nullptr;
  if (chosen != TRUE) return false;
  buffer.back() = '\0';
  path = buffer.data();
  return true;
}
