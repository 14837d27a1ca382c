#include "app/file_io.h"

#include "app/temp_names.h"

namespace {

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
    tempPath = folder + SaveTempName(seed + attempt);
    HANDLE file =
        CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

DWORD ReadFileStart(const std::string& path, std::size_t limit, std::string& text) {
  text.clear();
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  constexpr DWORD kRetryMs = 1000, kRetryStepMs = 50;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (DWORD waited = 0;; waited += kRetryStepMs) {
    handle = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || waited >= kRetryMs) return error;
    Sleep(kRetryStepMs);
  }
  FileHandle file(handle);
  std::string bytes(limit, '\0');
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(limit), &read, nullptr)) {
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_READ_FAULT;
  }
  bytes.resize(read);
  text = std::move(bytes);
  return 0;
}

// Writes the whole text with one call; an error code, or 0.
DWORD WriteAll(HANDLE file, std::string_view text) {
  DWORD written = 0;
  if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return GetLastError();
  if (written != text.size()) return ERROR_WRITE_FAULT;
  return 0;
}

DWORD ReplaceWithText(const std::string& target, std::string_view text) {
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

void RemoveLeftoverTempFiles(const std::string& folder) {
  WIN32_FIND_DATAA found;
  const std::string pattern = folder + "\\~dv*.tmp";
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern also matches other names (and short names): only files of
    // the exact naming of a save are removed.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsSaveTempName(found.cFileName)) {
      DeleteFileA((folder + "\\" + found.cFileName).c_str());
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}
