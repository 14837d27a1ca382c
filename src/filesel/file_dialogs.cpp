#include "filesel/file_dialogs.h"

#include "app/player_state.h"

char mediaFilter[800] =
    "Wave Audio Files (*.wav)\0*.wav\0Video for Windows (*.avi)\0*.avi\0All Files (*.*)\0*.*\0";

namespace {

constexpr char kOptionsFilter[] = "Dorvane User Files (*.usr)\0*.usr\0";

OPENFILENAMEA MakeRecord(const char* filter, char* file, const char* title, DWORD flags) {
  OPENFILENAMEA record{};
  record.lStructSize = sizeof record;
  record.lpstrFilter = filter;
  record.nFilterIndex = 1;
  record.lpstrFile = file;
  record.nMaxFile = MAX_PATH;
  record.lpstrTitle = title;
  record.Flags = flags;
  record.lpstrDefExt = "*";
  return record;
}

}  // namespace

OPENFILENAMEA& MediaOpenDialog() {
  static OPENFILENAMEA record = MakeRecord(mediaFilter, player.mediaPath, "Open sound file",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  return record;
}

OPENFILENAMEA& OptionsOpenDialog() {
  static OPENFILENAMEA record = MakeRecord(kOptionsFilter, player.optionsPath, "Open Dorvane User File",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  return record;
}

OPENFILENAMEA& OptionsSaveDialog() {
  static OPENFILENAMEA record = MakeRecord(kOptionsFilter, player.optionsPath, "Save Dorvane User File As ...",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST);
  return record;
}
