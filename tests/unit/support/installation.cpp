#include "support/installation.h"

#include <filesystem>
#include <fstream>

#include "support/platform.h"

TestInstallation::TestInstallation()
    : game_("Games/Duskhollow"), windows_(UseTestWindowsDirectory(temp_)) {
  temp_.MakeDir(game_);
}

TestInstallation::~TestInstallation() {
  std::error_code ignored;
  std::filesystem::remove(PointerPath(), ignored);
  ForgetTestWindowsDirectory();
}

std::string TestInstallation::PointerPath() const {
  return (std::filesystem::path(windows_) / "Duskhollow.dr").string();
}

void TestInstallation::WritePointer(const std::string& content) const {
  std::ofstream out(PointerPath(), std::ios::binary | std::ios::trunc);
  out << content;
}

void TestInstallation::InstallGame(bool executable, bool marker) const {
  temp_.MakeDir(game_ + "/Data");
  if (executable) temp_.WriteFile(game_ + "/Duskhollow.exe", "old Duskhollow.exe");
  if (marker) temp_.WriteFile(game_ + "/Data/21", "old 21");
  temp_.WriteFile(game_ + "/Data/tutorial", "old tutorial");
  temp_.WriteFile(game_ + "/Data/25", "old 25");
  temp_.WriteFile(game_ + "/Game.ini", "old Game.ini");
}

std::string TestInstallation::Path(const std::string& relative) const {
  return temp_.Path(game_ + "/" + relative);
}

std::string TestInstallation::Read(const std::string& relative) const {
  return temp_.ReadFile(game_ + "/" + relative);
}

bool TestInstallation::Exists(const std::string& relative) const {
  return std::filesystem::exists(temp_.Path(game_ + "/" + relative));
}

std::map<std::string, std::string> TestInstallation::Snapshot() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.Root())) {
    const std::string path = entry.path().string();
    if (entry.is_directory()) {
      files[path] = "<dir>";
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto changed = entry.last_write_time().time_since_epoch().count();
    const auto perms = static_cast<int>(entry.status().permissions());
    files[path] = content + "|" + std::to_string(changed) + "|" + std::to_string(perms);
  }
  return files;
}
