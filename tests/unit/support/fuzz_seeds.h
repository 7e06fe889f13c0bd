// What the fuzzers' seed writers share: the directory from the command line, and one seed file.
#pragma once

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <vector>

namespace fuzz_seeds {

// The seed directory given as the one argument, made if missing; nothing after a usage message.
inline std::optional<std::filesystem::path> Directory(int argc, char** argv, const char* program) {
  if (argc != 2) {
    std::cerr << "usage: " << program << " DIR\n";
    return std::nullopt;
  }
  std::filesystem::create_directories(argv[1]);
  return std::filesystem::path(argv[1]);
}

inline void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace fuzz_seeds
