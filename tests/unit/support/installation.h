// A game installation in a temporary directory, found through a pointer file in the Windows
// directory the patch run looks in. The pointer file is removed again when the object goes.
#pragma once

#include <map>
#include <string>

#include "support/temp_dir.h"

class TestInstallation {
 public:
  TestInstallation();
  ~TestInstallation();
  TestInstallation(const TestInstallation&) = delete;
  TestInstallation& operator=(const TestInstallation&) = delete;

  const TempDir& Temp() const { return temp_; }
  // The Windows directory, as the system gives it (no trailing separator).
  const std::string& WindowsDirectory() const { return windows_; }
  std::string PointerPath() const;
  // The game's directory, no trailing separator.
  std::string GameDirectory() const { return temp_.Path(game_); }

  // The pointer file with exactly these bytes.
  void WritePointer(const std::string& content) const;
  // The pointer file naming GameDirectory().
  void PointToGame() const { WritePointer(GameDirectory()); }

  // The old game: its executable and, for the Czech edition, the marker Data\21, plus the
  // files the patch replaces, each holding "old <name>".
  void InstallGame(bool executable = true, bool marker = true) const;
  // Full path of a file of the installation.
  std::string Path(const std::string& relative) const;
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

  // Every file below the temporary directory with its content and time of last change: equal
  // snapshots mean nothing was written, removed or created.
  std::map<std::string, std::string> Snapshot() const;

 private:
  TempDir temp_;
  std::string game_;
  std::string windows_;
};
