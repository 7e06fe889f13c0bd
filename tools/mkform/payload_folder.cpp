#include "mkform/payload_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "mkform/file_io.h"
#include "patch/patch.h"

namespace payloadfolder {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& dir, const std::string& what) {
  throw std::runtime_error(dir + ": " + what);
}

std::string Listed(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

}  // namespace

std::string FolderPath(int index) {
  std::string path(TargetFiles[index]);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::array<Bytes, container::kEntryCount> ReadPayloadFolder(const std::string& dir) {
  std::error_code error;
  const fs::file_status status = fs::status(dir, error);
  if (!fs::exists(status)) throw std::runtime_error("payload directory " + dir + " does not exist");
  if (!fs::is_directory(status)) {
    throw std::runtime_error("payload directory " + dir + " is not a directory");
  }

  std::array<fs::path, container::kEntryCount> paths;
  std::vector<std::string> missing;
  for (int i = 0; i < container::kEntryCount; ++i) {
    paths[i] = fs::path(dir) / FolderPath(i);
    if (!fs::exists(fs::status(paths[i], error))) missing.push_back(FolderPath(i));
  }
  if (!missing.empty()) Fail(dir, "missing " + Listed(missing));

  // Opened and measured before anything is read, so a folder of huge files fails at once.
  std::array<std::ifstream, container::kEntryCount> files;
  std::array<std::int64_t, container::kEntryCount> sizes{};
  std::vector<std::string> unreadable;
  for (int i = 0; i < container::kEntryCount; ++i) {
    if (fs::is_regular_file(paths[i], error)) {
      files[i].open(paths[i], std::ios::binary);
      sizes[i] = static_cast<std::int64_t>(fs::file_size(paths[i], error));
    }
    if (!files[i].is_open() || error) unreadable.push_back(FolderPath(i));
  }
  if (unreadable.size() == 1) Fail(dir, unreadable[0] + " is not a readable file");
  if (!unreadable.empty()) Fail(dir, Listed(unreadable) + " are not readable files");

  std::int64_t total = 0;
  std::string each;
  for (int i = 0; i < container::kEntryCount; ++i) {
    total += sizes[i];
    each += (i == 0 ? "" : " + ") + FolderPath(i) + " " + fileio::Grouped(sizes[i]);
  }
  if (total > container::kEntryAreaBytes) {
    Fail(dir, "the four files take " + fileio::Grouped(total) + " bytes (" + each +
                  "); the installer holds at most " + fileio::Grouped(container::kEntryAreaBytes));
  }

  std::array<Bytes, container::kEntryCount> entries;
  for (int i = 0; i < container::kEntryCount; ++i) {
    entries[i].assign(std::istreambuf_iterator<char>(files[i]), std::istreambuf_iterator<char>());
    if (files[i].bad()) Fail(dir, FolderPath(i) + " is not a readable file (read error)");
  }
  return entries;
}

}  // namespace payloadfolder
