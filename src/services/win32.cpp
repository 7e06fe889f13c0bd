// The file and process services on kernel32.
#include <windows.h>

#include "forms/exceptions.h"
#include "services/services.h"

namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

std::optional<std::string> WindowsDirectory() {
  char buffer[1000];
  const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  // 0 is failure; a value >= the size is the size needed, and the buffer then holds nothing.
  if (length == 0 || length >= sizeof buffer) return std::nullopt;
  return std::string(buffer, length);
}

bool FileExists(const std::string& path) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  // Failure is INVALID_HANDLE_VALUE, not NULL.
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TFileStream::TFileStream(const std::string& path, Mode mode) {
  HANDLE file;
  if (mode == fmCreate) {
    file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    // Failure is INVALID_HANDLE_VALUE, not NULL.
    if (file == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file " + path);
  } else {
    file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE) throw EFOpenError("Cannot open file " + path);
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
}

TFileStream::~TFileStream() {
  CloseHandle(AsHandle(handle_));
}

namespace {

// SetFilePointer with a high word; -1 on failure. INVALID_SET_FILE_POINTER is also a valid low
// word of a large position, so only GetLastError tells a failure apart.
std::int64_t Seek(HANDLE file, std::int64_t offset, DWORD method) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<std::int64_t>(high) << 32) | low;
}

}  // namespace

std::int64_t TFileStream::Size() {
  const HANDLE file = AsHandle(handle_);
  const std::int64_t position = Seek(file, 0, FILE_CURRENT);
  if (position < 0) return -1;
  const std::int64_t size = Seek(file, 0, FILE_END);
  Seek(file, position, FILE_BEGIN);
  return size;
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  // FALSE is failure; the count may still have been set, so it is not trusted then.
  if (!ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<std::int32_t>(done);
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  DWORD done = 0;
  if (!WriteFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<std::int32_t>(done);
}

void SetNormalAttributes(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

bool RemoveFile(const std::string& path) {
  // Nonzero is success.
  return DeleteFileA(path.c_str()) != 0;
}

void StartProgram(const std::string& path, const std::string& directory) {
  // The program is named outright, so no prefix of a path with spaces ("C:\Program.exe" for
  // "C:\Program Files\...") is ever tried. The command line is the same path, unquoted.
  std::string commandLine = path;  // CreateProcessA may write into its command line
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  // Zero is failure; a failed start is not reported.
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.c_str(), &startup, &process))
    return;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
