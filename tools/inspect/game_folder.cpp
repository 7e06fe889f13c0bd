#include "inspect/game_folder.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "mkform/file_io.h"
#include "mkform/payload_folder.h"

namespace inspect {

namespace fs = std::filesystem;

namespace {

// What differs between entry `index` and its file in `dir`, or "" when they match.
std::string Difference(const InstallerContents& contents, const std::string& dir, int index) {
  const fs::path path = fs::path(dir) / payloadfolder::FolderPath(index);
  const std::span<const std::uint8_t> entry = contents.entries[static_cast<std::size_t>(index)];
  const std::string entry_name = "entry " + std::to_string(index);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) return "missing in " + dir;
  fileio::Bytes bytes;
  try {
    if (!fs::is_regular_file(status)) throw std::runtime_error("");
    bytes = fileio::Read(path.string());
  } catch (const std::runtime_error&) {
    return "not a readable file in " + dir;
  }
  if (bytes.size() != entry.size()) {
    return "size differs: " + dir + " has " + std::to_string(bytes.size()) + " bytes, " +
           entry_name + " has " + std::to_string(entry.size());
  }
  const auto mismatch = std::mismatch(bytes.begin(), bytes.end(), entry.begin());
  if (mismatch.first != bytes.end()) {
    return "content differs from " + entry_name + " at byte " +
           std::to_string(mismatch.first - bytes.begin());
  }
  return "";
}

}  // namespace

bool VerifyEntries(std::ostream& out, const InstallerContents& contents, const std::string& dir) {
  std::error_code error;
  const fs::file_status status = fs::status(dir, error);
  if (!fs::is_directory(status)) {
    out << "verify: payload directory " << dir
        << (fs::exists(status) ? " is not a directory\n" : " does not exist\n");
    return false;
  }
  bool all_match = true;
  for (int i = 0; i < container::kEntryCount; ++i) {
    const std::string difference = Difference(contents, dir, i);
    if (difference.empty()) continue;
    out << "verify: " << payloadfolder::FolderPath(i) << ": " << difference << "\n";
    all_match = false;
  }
  if (all_match) out << "verify: all four entries match " << dir << "\n";
  return all_match;
}

void ExtractEntries(std::ostream& out, const InstallerContents& contents, const std::string& dir) {
  for (int i = 0; i < container::kEntryCount; ++i) {
    const fs::path path = fs::path(dir) / payloadfolder::FolderPath(i);
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
      throw std::runtime_error("cannot create directory " + path.parent_path().string() + ": " +
                               error.message());
    }
    const std::span<const std::uint8_t> entry = contents.entries[static_cast<std::size_t>(i)];
    fileio::Write(path.string(), entry);
    out << "extract: wrote " << path.string() << ", " << entry.size() << " bytes\n";
  }
}

}  // namespace inspect
