// mkform: builds the stored main form with the payload container inside.
//
//   mkform OUTPUT ENTRY0 ENTRY1 ENTRY2 ENTRY3
//   mkform --sample DIR [--game FILE]
//
// Outputs are written beside their final name and renamed into place, so a failed run leaves no
// output (and an earlier one untouched).
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "mkform/form_writer.h"
#include "payload/container.h"

namespace {

namespace fs = std::filesystem;
using formwriter::Bytes;

constexpr const char* kUsage =
    "usage: mkform OUTPUT ENTRY0 ENTRY1 ENTRY2 ENTRY3\n"
    "       mkform --sample DIR [--game FILE]\n";

Bytes ReadFile(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error))
    throw std::runtime_error("cannot read " + path + ": is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + path + ": read error");
  return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot create " + temporary + ": " + std::strerror(errno));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      throw std::runtime_error("cannot write " + temporary);
    }
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) {
    std::remove(temporary.c_str());
    throw std::runtime_error("cannot rename " + temporary + " to " + path + ": " + error.message());
  }
}

int BuildResource(const std::string& output, const std::array<std::string, 4>& paths) {
  std::array<Bytes, 4> entries;
  for (std::size_t i = 0; i < paths.size(); ++i) entries[i] = ReadFile(paths[i]);
  WriteFile(output, formwriter::BuildFormResource(entries));
  return 0;
}

int WriteSample(const std::string& dir, const std::string& game) {
  Bytes game_entry;
  if (!game.empty()) {
    game_entry = ReadFile(game);
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
    WriteFile((fs::path(dir) / ("entry" + std::to_string(i))).string(), entry);
  }
  return 0;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 5 && args[0] != "--sample") {
    return BuildResource(args[0], {args[1], args[2], args[3], args[4]});
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
