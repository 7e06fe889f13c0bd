// mkform: builds the stored main form with the payload container inside.
//
//   mkform OUTPUT ENTRY0 ENTRY1 ENTRY2 ENTRY3
//   mkform OUTPUT --payload DIR
//   mkform --sample DIR [--game FILE]
//
// Outputs are written beside their final name and renamed into place, and only when their bytes
// change, so the build may run mkform every time without rebuilding what depends on it. A failed
// run leaves no output: from a payload folder not even an earlier one, which could be taken for
// the result of this run.
#include <array>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "mkform/file_io.h"
#include "mkform/form_writer.h"
#include "mkform/payload_folder.h"
#include "payload/container.h"

namespace {

namespace fs = std::filesystem;
using formwriter::Bytes;

constexpr const char* kUsage =
    "usage: mkform OUTPUT ENTRY0 ENTRY1 ENTRY2 ENTRY3\n"
    "       mkform OUTPUT --payload DIR\n"
    "       mkform --sample DIR [--game FILE]\n";

int BuildResource(const std::string& output, const std::array<Bytes, 4>& entries) {
  fileio::WriteIfChanged(output, formwriter::BuildFormResource(entries));
  return 0;
}

int BuildFromFiles(const std::string& output, const std::array<std::string, 4>& paths) {
  std::array<Bytes, 4> entries;
  for (std::size_t i = 0; i < paths.size(); ++i) entries[i] = fileio::Read(paths[i]);
  return BuildResource(output, entries);
}

int BuildFromFolder(const std::string& output, const std::string& dir) {
  try {
    return BuildResource(output, payloadfolder::ReadPayloadFolder(dir));
  } catch (...) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(output, error))) fs::remove(output, error);
    fs::remove(output + ".tmp", error);
    throw;
  }
}

int WriteSample(const std::string& dir, const std::string& game) {
  Bytes game_entry;
  if (!game.empty()) {
    game_entry = fileio::Read(game);
    const std::size_t size = static_cast<std::size_t>(container::kBuiltEntrySizes[0]);
    if (game_entry.size() > size) {
      throw std::runtime_error(game + " has " + std::to_string(game_entry.size()) +
                               " bytes; entry 0 holds " + std::to_string(size));
    }
    game_entry.resize(size, 0);
  }
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) throw std::runtime_error("cannot create directory " + dir + ": " + error.message());
  for (int i = 0; i < container::kEntryCount; ++i) {
    const Bytes entry = (i == 0 && !game.empty()) ? game_entry : formwriter::SampleEntry(i);
    fileio::WriteIfChanged((fs::path(dir) / ("entry" + std::to_string(i))).string(), entry);
  }
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 5 && args[0] != "--sample") {
    return BuildFromFiles(args[0], {args[1], args[2], args[3], args[4]});
  }
  if (args.size() == 3 && args[0] != "--sample" && args[1] == "--payload") {
    return BuildFromFolder(args[0], args[2]);
  }
  if (args.size() == 2 && args[0] == "--sample") return WriteSample(args[1], "");
  if (args.size() == 4 && args[0] == "--sample" && args[2] == "--game") {
    return WriteSample(args[1], args[3]);
  }
  std::cerr << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "mkform: " << error.what() << "\n";
    return 1;
  }
}
