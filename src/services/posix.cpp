// The file and process services on the host. Each keeps the contract of its kernel32
// counterpart as far as POSIX allows: '\' separates directories like '/', the exists test
// follows FindFirstFile, and "no sharing" is an exclusive flock taken on every open.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "forms/exceptions.h"
#include "services/services.h"

extern char** environ;

namespace {

// The path as the OS takes it: both separators as '/'.
std::string HostPath(const std::string& path) {
  std::string host = path;
  std::replace(host.begin(), host.end(), '\\', '/');
  return host;
}

bool IsFileNotDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// '*' and '?' stay wildcards; '[' and ']' are plain characters in a Windows name.
std::string WildcardPattern(const std::string& name) {
  std::string pattern;
  for (const char c : name) {
    if (c == '[' || c == ']') pattern += '\\';
    pattern += c;
  }
  return pattern;
}

// The open descriptor behind a TFileStream, or -1 with the lock not taken.
int OpenLocked(const std::string& path, TFileStream::Mode mode) {
  const int flags = mode == TFileStream::fmCreate ? O_RDWR | O_CREAT : O_RDONLY;
  // Windows can run any file it can load: a new file may be a program, so it may be executed.
  const int fd = open(HostPath(path).c_str(), flags | O_CLOEXEC, 0777);
  if (fd < 0) return -1;
  struct stat info;
  const bool usable = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode) &&
                      flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                      // Emptied only once the lock is ours: a file held elsewhere keeps its bytes.
                      (mode != TFileStream::fmCreate || ftruncate(fd, 0) == 0);
  if (!usable) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::optional<std::string> WindowsDirectory() {
  const char* value = std::getenv("WINDIR");
  if (value == nullptr) return std::nullopt;
  std::string directory = value;
  // The Windows build fetches it into a 1000-byte buffer, terminator included.
  if (directory.empty() || directory.size() >= 1000) return std::nullopt;
  return directory;
}

bool FileExists(const std::string& path) {
  const std::string host = HostPath(path);
  const std::size_t slash = host.rfind('/');
  const std::string name = slash == std::string::npos ? host : host.substr(slash + 1);
  // FindFirstFile finds nothing for an empty name or a trailing separator.
  if (name.empty()) return false;
  if (name.find_first_of("*?") == std::string::npos) return IsFileNotDirectory(host);

  const std::string directory = slash == std::string::npos ? "."
                                : slash == 0               ? "/"
                                                           : host.substr(0, slash);
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return false;
  std::vector<std::string> entries;
  while (const dirent* entry = readdir(listing)) entries.emplace_back(entry->d_name);
  closedir(listing);
  std::sort(entries.begin(), entries.end());

  const std::string pattern = WildcardPattern(name);
  for (const std::string& entry : entries) {
    if (fnmatch(pattern.c_str(), entry.c_str(), 0) == 0)
      return IsFileNotDirectory(directory + "/" + entry);
  }
  return false;
}

TFileStream::TFileStream(const std::string& path, Mode mode) {
  const int fd = OpenLocked(path, mode);
  if (fd < 0) {
    if (mode == fmCreate) throw EFCreateError("Cannot create file " + path);
    throw EFOpenError("Cannot open file " + path);
  }
  handle_ = fd;
}

TFileStream::~TFileStream() {
  close(static_cast<int>(handle_));
}

std::int64_t TFileStream::Size() {
  const int fd = static_cast<int>(handle_);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  if (position < 0) return -1;
  const off_t size = lseek(fd, 0, SEEK_END);
  lseek(fd, position, SEEK_SET);
  return size;
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  const ssize_t done = read(static_cast<int>(handle_), buffer, static_cast<std::size_t>(count));
  return done < 0 ? 0 : static_cast<std::int32_t>(done);
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  const ssize_t done = write(static_cast<int>(handle_), buffer, static_cast<std::size_t>(count));
  return done < 0 ? 0 : static_cast<std::int32_t>(done);
}

void SetNormalAttributes(const std::string& path) {
  // The host's read-only is a missing owner write bit.
  const std::string host = HostPath(path);
  struct stat info;
  if (stat(host.c_str(), &info) == 0) chmod(host.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

bool RemoveFile(const std::string& path) {
  const std::string host = HostPath(path);
  // A file another TFileStream holds cannot be deleted, as on Windows; the lock is kept until
  // the name is gone.
  const int fd = open(host.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  const bool removed = unlink(host.c_str()) == 0;
  if (fd >= 0) close(fd);
  return removed;
}

void StartProgram(const std::string& path, const std::string& directory) {
  std::string program = HostPath(path);
  // Not waited for: the child stays a zombie until this process ends, which is soon.
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The child changes to the directory before it runs the program; a directory it cannot
  // enter fails the start, as on Windows.
  posix_spawn_file_actions_addchdir_np(&actions, HostPath(directory).c_str());
  pid_t child;
  posix_spawn(&child, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
}
