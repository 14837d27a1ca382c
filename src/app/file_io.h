// Files read and written whole within one operation: a handle that closes
// itself, and a save that never leaves a half-written file behind.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

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

// Reads at most limit bytes from the start of an existing file into text.
// Opened with full sharing, so that a sync client, an indexer, a backup or a
// virus scan reading (or even writing) the file does not keep Dorvane from
// reading it; a sharing or lock violation (a program that opened it without
// sharing) is retried for about a second. 0, or the error that kept the file
// from being opened or read (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND when
// there is no such file).
DWORD ReadFileStart(const std::string& path, std::size_t limit, std::string& text);

// Writes the whole text with one call; an error code, or 0.
DWORD WriteAll(HANDLE file, std::string_view text);

// Replaces the target by a file holding exactly the text, in one step: the
// text goes into a new file in the same folder, which is flushed and then
// moved over the target. Until that move the old file stays whole, so a
// failure, a crash or a power cut never leaves a half-written file.
// Returns 0, or the error to report.
DWORD ReplaceWithText(const std::string& target, std::string_view text);

// Removes from the folder the temporary files that saves left behind when
// they were interrupted (a crash or a power cut between writing the file and
// moving it into place): files named exactly as a save names them, nothing else.
void RemoveLeftoverTempFiles(const std::string& folder);
