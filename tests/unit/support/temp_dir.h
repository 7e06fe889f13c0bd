// A fresh directory of its own for one test, removed with everything in it when the object goes.
// Relative names may use '/' or '\', like the paths the services take.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory itself, without a trailing separator.
  const std::filesystem::path& Root() const { return root_; }
  // The full path of `relative` inside the directory, as the 8-bit string the services take.
  std::string Path(std::string_view relative) const;
  // Writes `bytes` verbatim to `relative`, replacing any file there and creating the directories
  // on the way. Returns the full path.
  std::string WriteFile(std::string_view relative, std::string_view bytes) const;
  // The bytes of `relative`; throws std::runtime_error when it cannot be read.
  std::string ReadFile(std::string_view relative) const;
  // Creates the directory `relative` and those on the way. Returns the full path.
  std::string MakeDir(std::string_view relative) const;

 private:
  std::filesystem::path Full(std::string_view relative) const;

  std::filesystem::path root_;
};
