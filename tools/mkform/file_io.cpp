#include "mkform/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fileio {

namespace fs = std::filesystem;

Bytes Read(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error))
    throw std::runtime_error("cannot read " + path + ": is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + path + ": read error");
  return bytes;
}

void Write(const std::string& path, std::span<const std::uint8_t> bytes) {
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

bool WriteIfChanged(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  if (fs::is_regular_file(path, error) && fs::file_size(path, error) == bytes.size() && !error) {
    std::ifstream in(path, std::ios::binary);
    if (in && std::equal(bytes.begin(), bytes.end(), std::istreambuf_iterator<char>(in),
                         std::istreambuf_iterator<char>(), [](std::uint8_t a, char b) {
                           return a == static_cast<std::uint8_t>(b);
                         })) {
      return false;
    }
  }
  Write(path, bytes);
  return true;
}

std::string Grouped(std::int64_t value) {
  const bool negative = value < 0;
  std::string digits = std::to_string(value);
  if (negative) digits.erase(0, 1);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

}  // namespace fileio
