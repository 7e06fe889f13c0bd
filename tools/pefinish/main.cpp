// pefinish: the last step of linking a shipped executable. The linker marks the resource section
// writable; the payload lives there, and nothing ever writes it, so its pages are made read-only.
//
//   pefinish EXE
//
// Changes one flag in the section table, in place; any other change to the file is a fault.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kMemWrite = 0x80000000;  // IMAGE_SCN_MEM_WRITE

std::uint32_t Read32(const std::vector<char>& bytes, std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 4) throw std::runtime_error("truncated headers");
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint16_t Read16(const std::vector<char>& bytes, std::size_t at) {
  if (at > bytes.size() || bytes.size() - at < 2) throw std::runtime_error("truncated headers");
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// Where the .rsrc section's characteristics lie in the file.
std::size_t RsrcCharacteristicsAt(const std::vector<char>& file) {
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') throw std::runtime_error("not MZ");
  const std::size_t pe = Read32(file, 0x3C);
  if (Read32(file, pe) != 0x00004550) throw std::runtime_error("no PE signature");
  const std::uint16_t sections = Read16(file, pe + 6);
  const std::uint16_t optional_size = Read16(file, pe + 20);
  const std::size_t table = pe + 24 + optional_size;
  for (std::size_t i = 0; i < sections; ++i) {
    const std::size_t header = table + 40 * i;
    if (header + 40 > file.size()) throw std::runtime_error("truncated section table");
    if (std::memcmp(&file[header], ".rsrc\0\0\0", 8) == 0) return header + 36;
  }
  throw std::runtime_error("no .rsrc section");
}

void Finish(const std::string& path) {
  std::vector<char> file;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open");
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::size_t at = RsrcCharacteristicsAt(file);
  const std::uint32_t flags = Read32(file, at) & ~kMemWrite;
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  out.seekp(static_cast<std::streamoff>(at));
  const char bytes[4] = {static_cast<char>(flags), static_cast<char>(flags >> 8),
                         static_cast<char>(flags >> 16), static_cast<char>(flags >> 24)};
  out.write(bytes, 4);
  out.close();
  if (!out) throw std::runtime_error("cannot write");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pefinish EXE\n";
    return 2;
  }
  try {
    Finish(argv[1]);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "pefinish: " << argv[1] << ": " << error.what() << "\n";
    return 1;
  }
}
