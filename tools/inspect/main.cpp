// inspect: what a built installer carries, read from its file without running it.
//
//   inspect EXE [--verify DIR] [--extract DIR]
//
// Prints the listing (see listing.h). --extract writes the four entries under DIR at their game
// paths; --verify compares them with DIR. Exit 0 when all went well (and with --verify only when
// all four entries match), 1 for a file that is not a readable installer, a failed write or a
// difference, 2 for a wrong command line.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "inspect/game_folder.h"
#include "inspect/installer.h"
#include "inspect/listing.h"

namespace {

constexpr const char* kUsage = "usage: inspect EXE [--verify DIR] [--extract DIR]\n";

struct Options {
  std::string exe;
  std::optional<std::string> verify;
  std::optional<std::string> extract;
};

std::optional<Options> Parse(const std::vector<std::string>& args) {
  if (args.empty() || args[0].starts_with("--")) return std::nullopt;
  Options options{args[0], {}, {}};
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return std::nullopt;
    std::optional<std::string>* option = args[i] == "--verify"    ? &options.verify
                                         : args[i] == "--extract" ? &options.extract
                                                                  : nullptr;
    if (option == nullptr || option->has_value()) return std::nullopt;
    *option = args[i + 1];
  }
  return options;
}

// The whole file, or nullopt after the error line.
std::optional<std::vector<std::uint8_t>> ReadExe(const std::string& exe) {
  std::error_code error;
  std::ifstream in(exe, std::ios::binary);
  if (!in || std::filesystem::is_directory(exe, error)) {
    std::cerr << "inspect: " << exe
              << ": cannot read: " << (in ? "is a directory" : std::strerror(errno)) << "\n";
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::cerr << "inspect: " << exe << ": cannot read: read error\n";
    return std::nullopt;
  }
  return bytes;
}

int Run(const Options& options) {
  const std::optional<std::vector<std::uint8_t>> file = ReadExe(options.exe);
  if (!file) return 1;
  inspect::InstallerContents contents;
  try {
    contents = inspect::ReadInstaller(*file);
  } catch (const inspect::InspectError& error) {
    std::cerr << "inspect: " << options.exe << ": " << error.what() << "\n";
    return 1;
  }
  inspect::PrintListing(std::cout, options.exe, contents);
  try {
    if (options.extract) inspect::ExtractEntries(std::cout, contents, *options.extract);
  } catch (const std::exception& error) {
    std::cout.flush();
    std::cerr << "inspect: " << error.what() << "\n";
    return 1;
  }
  if (options.verify && !inspect::VerifyEntries(std::cout, contents, *options.verify)) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = Parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  return Run(*options);
}
