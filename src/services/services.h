// The file and process operations the patch logic stands on. One declaration each; win32.cpp
// defines them on kernel32, posix.cpp on the host. Paths are 8-bit strings in the system's ANSI
// code page, passed unchanged; '/' and '\' both separate directories.
//
// Only opening a file for reading and creating one for writing raise (EFOpenError,
// EFCreateError); every other failure shows in the result alone, or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The Windows directory, as GetWindowsDirectoryA gives it in a 1000-byte buffer. Empty when the
// call fails or the directory does not fit the buffer. The host takes it from WINDIR.
std::optional<std::string> WindowsDirectory();

// True only if the first entry a lookup of `path` finds is not a directory. '*' and '?' in the
// last component act as wildcards.
bool FileExists(const std::string& path);

// An open file, released when the object goes. Neither mode shares: while it is open no other
// open for reading or writing succeeds, and it cannot be opened while another holds the file.
class TFileStream {
 public:
  enum Mode { fmOpenRead, fmCreate };

  // fmOpenRead: an existing file, read access; raises EFOpenError "Cannot open file <path>".
  // fmCreate: a new file, or the existing one cut to empty, read and write access; raises
  // EFCreateError "Cannot create file <path>".
  TFileStream(const std::string& path, Mode mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Length in bytes, by a seek to the end; the position is restored.
  std::int64_t Size();
  // One read of up to `count` bytes; the count read, 0 on failure.
  std::int32_t Read(void* buffer, std::int32_t count);
  // One write; the count written, 0 on failure.
  std::int32_t Write(const void* buffer, std::int32_t count);

 private:
  std::intptr_t handle_;
};

// Open for reading, size, one read of that many bytes, close. Holds exactly the bytes the read
// delivered. Raises what opening raises.
std::string ReadFileWhole(const std::string& path);

// Open for reading, size, close. Raises what opening raises.
void OpenAndClose(const std::string& path);

// Clears read-only, hidden and system (FILE_ATTRIBUTE_NORMAL). Failure is not reported.
void SetNormalAttributes(const std::string& path);

// True if the file was deleted; false otherwise, also for a missing file.
bool RemoveFile(const std::string& path);

// Starts the program at `path` in a normal window, with `path` alone, unquoted, as its command
// line and `directory` as its working directory. It is the program at `path` that runs, never
// another one picked from a prefix of a path with spaces. Not waited for; a failure is not
// reported.
void StartProgram(const std::string& path, const std::string& directory);
