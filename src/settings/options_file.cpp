#include "settings/options_file.h"

#include <commctrl.h>

#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/player_state.h"
#include "filesel/file_dialogs.h"
#include "playback/mci.h"
#include "res/resource.h"
#include "settings/hotkeys.h"
#include "settings/options_text.h"
#include "settings/settings_state.h"

namespace {

// Closes a file handle when the operation that opened it ends.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  void Close() {
    if (IsOpen()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// String 11, the text applied when the file to load does not exist.
std::string BuiltInDefaultText() {
  char text[optionsTextLimit + 1] = "";
  const int length = LoadStringA(appInstance, IDS_DEFAULT_OPTIONS, text, sizeof text);
  if (length <= 0) return std::string(builtInDefaultOptions);
  return std::string(text, static_cast<std::size_t>(length));
}

void ApplyOptionsText(HWND window, std::string_view text) {
  const OptionsValues values = ReadOptionsText(text);
  // The timing values start from their defaults for every loaded text, so a
  // file without them gives the defaults.
  timingOptions = values.timing;
  if (values.walkLengthMs) SetWalkLengthMs(window, *values.walkLengthMs);
  if (values.backspaceMs) SetBackspaceMs(window, *values.backspaceMs);
  if (values.walkPauseMs) SetWalkPauseMs(window, *values.walkPauseMs);
  if (values.unpauseRewindMs) SetUnpauseRewindMs(window, *values.unpauseRewindMs);
  if (values.numLoops) {
    // The counter takes the low 16 bits as a signed position and holds it
    // within its range.
    const WORD position = LOWORD(static_cast<DWORD>(*values.numLoops));
    SendDlgItemMessageA(window, IDC_LOOPS_UPDOWN, UDM_SETPOS, 0, MAKELPARAM(position, 0));
  }
  for (int id = 0; id < hotKeyCount; ++id) {
    // A code is the hot-key control's 16-bit word.
    if (values.hotKeys[id]) hotKeyCodes[id] = static_cast<HotKeyCode>(*values.hotKeys[id] & 0xFFFF);
  }
  if (values.file) CopyText(player.mediaPath, *values.file);
}

OptionsSnapshot CurrentSettings(HWND window) {
  OptionsSnapshot settings;
  settings.walkLengthMs = GetWalkLengthMs(window);
  settings.backspaceMs = GetBackspaceMs(window);
  settings.walkPauseMs = GetWalkPauseMs(window);
  settings.unpauseRewindMs = GetUnpauseRewindMs(window);
  settings.numLoops = GetLoopCount(window);
  settings.hotKeys = hotKeyCodes;
  settings.file = player.mediaPath;
  settings.timing = timingOptions;
  return settings;
}

// Writes the whole text with one call; an error code, or 0.
DWORD WriteAll(HANDLE file, const std::string& text) {
  DWORD written = 0;
  if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return GetLastError();
  if (written != text.size()) return ERROR_WRITE_FAULT;
  return 0;
}

// The folder part of a path, with its trailing separator; "" for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// Creates a new, empty file beside the target for the text to go into.
HANDLE CreateTempBeside(const std::string& target, std::string& tempPath, DWORD& error) {
  const std::string folder = FolderOf(target);
  const DWORD seed = GetCurrentProcessId() * 2654435761u + GetTickCount();
  for (DWORD attempt = 0; attempt < 100; ++attempt) {
    char name[16];
    wsprintfA(name, "~dv%04X.tmp", static_cast<unsigned>((seed + attempt) & 0xFFFF));
    tempPath = folder + name;
    HANDLE file =
        CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

// Replaces the target by a file holding exactly the text, in one step: the
// text goes into a new file in the same folder, which is flushed and then
// moved over the target. Until that move the old file stays whole, so a
// failure, a crash or a power cut never leaves a half-written options file.
// Returns 0, or the error to report.
DWORD ReplaceWithText(const std::string& target, const std::string& text) {
  if (target.empty()) return ERROR_PATH_NOT_FOUND;
  // What opening the target for writing would refuse: a folder of that name
  // and a file marked read-only.
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return ERROR_ACCESS_DENIED;
  }

  constexpr std::size_t kTempNameLength = 11;  // "~dvXXXX.tmp"
  if (FolderOf(target).size() + kTempNameLength >= MAX_PATH) {
    // No room for a name beside the target within a path's limit: write the
    // target directly, as the only way to save at all.
    FileHandle file(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.IsOpen()) return GetLastError();
    return WriteAll(file.Get(), text);
  }

  std::string tempPath;
  DWORD error = ERROR_FILE_EXISTS;
  FileHandle temp(CreateTempBeside(target, tempPath, error));
  if (!temp.IsOpen()) return error;
  error = WriteAll(temp.Get(), text);
  if (error == 0 && !FlushFileBuffers(temp.Get())) error = GetLastError();
  temp.Close();
  if (error == 0 &&
      !MoveFileExA(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != 0) DeleteFileA(tempPath.c_str());
  return error;
}

}  // namespace

std::string DefaultOptionsPath() {
  return std::string(player.programDir) + "\\default.usr";
}

void LoadUserOptions(HWND window, const char* path) {
  // Copies first: the path may be optionsPath itself, which changes below.
  const std::string leaving = player.optionsPath;
  const std::string given = path != nullptr ? path : "";

  if (path == nullptr && !GetOpenFileNameA(&OptionsOpenDialog())) {
    CopyText(player.optionsPath, leaving);  // a cancelled dialog changes nothing
    return;
  }
  // The settings in force go to the file being left, whether or not the new
  // one can be read.
  if (!leaving.empty()) SaveUserOptions(window, leaving.c_str());
  if (path != nullptr) CopyText(player.optionsPath, given);

  std::string text;
  {
    FileHandle file(CreateFileA(player.optionsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND) {
        ShowSystemError(window, error);
        return;
      }
      text = BuiltInDefaultText();
    } else {
      char bytes[optionsTextLimit];
      DWORD read = 0;
      if (!ReadFile(file.Get(), bytes, sizeof bytes, &read, nullptr)) read = 0;
      text.assign(bytes, read);
    }
  }
  ApplyOptionsText(window, text);
  UnregisterHotKeys(window);
  RegisterHotKeys(window);
}

void SaveUserOptions(HWND window, const char* path) {
  const std::string before = player.optionsPath;
  if (path == nullptr && !GetSaveFileNameA(&OptionsSaveDialog())) {
    CopyText(player.optionsPath, before);  // a cancelled dialog changes nothing
    return;
  }
  const std::string target = path != nullptr ? path : player.optionsPath;
  const DWORD error = ReplaceWithText(target, WriteOptionsText(CurrentSettings(window)));
  if (error != 0) ShowSystemError(window, error);
}
