#include "inspect/pe_resources.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace inspect {
namespace {

constexpr std::uint64_t kDosHeaderBytes = 64;
constexpr std::uint64_t kSectionHeaderBytes = 40;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr int kResourceDirectory = 2;
constexpr int kCertificateTable = 4;

[[noreturn]] void Fail(const std::string& what) {
  throw InspectError(what);
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// Little-endian fields of a byte range. Positions and counts are 64-bit: each is at most a 32-bit
// field plus a few small terms, so no sum wraps, and every read checks its whole extent first.
class Fields {
 public:
  Fields(std::span<const std::uint8_t> bytes, std::string name)
      : bytes_(bytes), name_(std::move(name)) {}

  void Need(std::uint64_t at, std::uint64_t count, const std::string& what) const {
    if (at > bytes_.size() || count > bytes_.size() - at) {
      Fail(what + " at offset " + std::to_string(at) + " (" + std::to_string(count) +
           " bytes) runs past the end of " + name_ + " (" + std::to_string(bytes_.size()) +
           " bytes)");
    }
  }
  std::uint16_t U16(std::uint64_t at, const std::string& what) const {
    Need(at, 2, what);
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
  }
  std::uint32_t U32(std::uint64_t at, const std::string& what) const {
    Need(at, 4, what);
    return static_cast<std::uint32_t>(bytes_[at]) |
           static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::string name_;
};

std::string TypeName(std::uint16_t type) {
  switch (type) {
    case 3:
      return "ICON";
    case 10:
      return "RCDATA";
    case 14:
      return "GROUP_ICON";
    default:
      return "type " + std::to_string(type);
  }
}

struct DirectoryEntry {
  std::uint32_t name;    // high bit: offset of a name string; else a numeric id
  std::uint32_t target;  // high bit: offset of a subdirectory; else of a data entry
};

std::vector<DirectoryEntry> ReadDirectory(const Fields& tree, std::uint64_t at,
                                          const std::string& what) {
  tree.Need(at, 16, what);
  const std::uint64_t count =
      std::uint64_t{tree.U16(at + 12, what)} + tree.U16(at + 14, what);  // named + numeric
  tree.Need(at + 16, 8 * count, what + "'s " + std::to_string(count) + " entries");
  std::vector<DirectoryEntry> entries;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t entry = at + 16 + 8 * i;
    entries.push_back({tree.U32(entry, what), tree.U32(entry + 4, what)});
  }
  return entries;
}

bool NameIs(const Fields& tree, std::uint32_t offset, std::string_view name) {
  const std::uint16_t length = tree.U16(offset, "resource name");
  tree.Need(std::uint64_t{offset} + 2, 2 * std::uint64_t{length}, "resource name");
  if (length != name.size()) return false;
  for (std::uint16_t i = 0; i < length; ++i) {
    std::uint16_t c = tree.U16(std::uint64_t{offset} + 2 + 2 * i, "resource name");
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint16_t>(c - 'a' + 'A');
    char wanted = name[i];
    if (wanted >= 'a' && wanted <= 'z') wanted = static_cast<char>(wanted - 'a' + 'A');
    if (c != static_cast<unsigned char>(wanted)) return false;
  }
  return true;
}

}  // namespace

std::string Describe(const PeHeaders& headers) {
  std::string machine;
  switch (headers.machine) {
    case 0x14C:
      machine = "i386";
      break;
    case 0x8664:
      machine = "x86-64";
      break;
    case 0xAA64:
      machine = "arm64";
      break;
    default:
      machine = "machine " + Hex(headers.machine);
  }
  return (headers.pe32_plus ? "PE32+ " : "PE32 ") + machine;
}

PeHeaders ReadPeHeaders(std::span<const std::uint8_t> file) {
  if (file.size() < kDosHeaderBytes) {
    Fail("not a PE file: " + std::to_string(file.size()) +
         " bytes cannot hold the 64-byte DOS header");
  }
  if (file[0] != 'M' || file[1] != 'Z') Fail("not a PE file: no MZ signature");
  const Fields in(file, "the file");
  PeHeaders headers;

  const std::uint64_t pe = in.U32(0x3C, "PE header offset");
  in.Need(pe, 24, "PE header");
  if (std::memcmp(file.data() + pe, "PE\0\0", 4) != 0) {
    Fail("not a PE file: no PE signature at offset " + std::to_string(pe));
  }
  const std::uint64_t coff = pe + 4;
  headers.machine = in.U16(coff, "machine");
  const std::uint16_t section_count = in.U16(coff + 2, "section count");
  const std::uint16_t optional_size = in.U16(coff + 16, "optional header size");

  const std::uint64_t optional = coff + 20;
  in.Need(optional, optional_size, "optional header");
  if (optional_size < 2) Fail("optional header of " + std::to_string(optional_size) + " bytes");
  const std::uint16_t magic = in.U16(optional, "optional header magic");
  if (magic != 0x10B && magic != 0x20B) Fail("unknown optional header magic " + Hex(magic));
  headers.pe32_plus = magic == 0x20B;
  // Where the data directories start; the count of them is the field just before.
  const std::uint64_t directories = headers.pe32_plus ? 112 : 96;
  if (optional_size < directories) {
    Fail("optional header of " + std::to_string(optional_size) + " bytes is shorter than the " +
         std::to_string(directories) + " its fields take");
  }
  const std::uint32_t directory_count = in.U32(optional + directories - 4, "directory count");
  const auto directory = [&](int index) -> PeDataDirectory {
    const std::uint64_t at = directories + 8 * static_cast<std::uint64_t>(index);
    if (static_cast<std::uint32_t>(index) >= directory_count || at + 8 > optional_size) return {};
    return {in.U32(optional + at, "data directory"), in.U32(optional + at + 4, "data directory")};
  };
  headers.resources = directory(kResourceDirectory);
  headers.certificates = directory(kCertificateTable);

  const std::uint64_t table = optional + optional_size;
  in.Need(table, kSectionHeaderBytes * section_count,
          "section table of " + std::to_string(section_count) + " sections");
  for (std::uint64_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = table + kSectionHeaderBytes * i;
    PeSection section;
    const char* name = reinterpret_cast<const char*>(file.data() + at);
    section.name.assign(name, std::find(name, name + 8, '\0'));
    section.virtual_size = in.U32(at + 8, "section header");
    section.virtual_address = in.U32(at + 12, "section header");
    section.raw_size = in.U32(at + 16, "section header");
    section.raw_offset = in.U32(at + 20, "section header");
    if (section.raw_size != 0) {
      in.Need(section.raw_offset, section.raw_size, "data of section " + section.name);
    }
    headers.sections.push_back(std::move(section));
  }
  // A signature is appended after the sections; a file cut inside it is cut all the same.
  if (headers.certificates.size != 0) {
    in.Need(headers.certificates.address, headers.certificates.size, "certificate table");
  }
  return headers;
}

std::span<const std::uint8_t> MapRva(std::span<const std::uint8_t> file, const PeHeaders& headers,
                                     std::uint32_t rva, std::uint32_t size,
                                     const std::string& what) {
  for (const PeSection& section : headers.sections) {
    // Past its virtual size a section is not mapped; past its raw size it is zeros, not file.
    const std::uint64_t limit = section.virtual_size == 0
                                    ? section.raw_size
                                    : std::min(section.virtual_size, section.raw_size);
    if (rva < section.virtual_address || rva - section.virtual_address >= limit) continue;
    const std::uint64_t into = rva - section.virtual_address;
    if (into + size > limit) {
      Fail(what + " (RVA " + Hex(rva) + ", " + std::to_string(size) +
           " bytes) runs past the end of section " + section.name);
    }
    const std::uint64_t at = section.raw_offset + into;
    Fields(file, "the file").Need(at, size, what);
    return file.subspan(static_cast<std::size_t>(at), size);
  }
  Fail(what + " (RVA " + Hex(rva) + ") lies in no section's data");
}

std::span<const std::uint8_t> FindResource(std::span<const std::uint8_t> file,
                                           const PeHeaders& headers, std::uint16_t type,
                                           std::string_view name) {
  if (headers.resources.address == 0 || headers.resources.size == 0) {
    Fail("no resource directory");
  }
  const Fields tree(MapRva(file, headers, headers.resources.address, headers.resources.size,
                           "resource directory"),
                    "the resource directory");
  const std::string resource = TypeName(type) + " " + std::string(name);

  const DirectoryEntry* by_type = nullptr;
  const std::vector<DirectoryEntry> types = ReadDirectory(tree, 0, "resource type directory");
  for (const DirectoryEntry& entry : types) {
    if (entry.name == type) {
      by_type = &entry;
      break;
    }
  }
  if (by_type == nullptr) Fail("no " + TypeName(type) + " resources");
  if ((by_type->target & kHighBit) == 0) {
    Fail(TypeName(type) + " entry of the resource directory is not a directory");
  }

  const DirectoryEntry* by_name = nullptr;
  const std::vector<DirectoryEntry> names =
      ReadDirectory(tree, by_type->target & ~kHighBit, TypeName(type) + " directory");
  for (const DirectoryEntry& entry : names) {
    if ((entry.name & kHighBit) != 0 && NameIs(tree, entry.name & ~kHighBit, name)) {
      by_name = &entry;
      break;
    }
  }
  if (by_name == nullptr) Fail("no " + resource + " resource");
  if ((by_name->target & kHighBit) == 0) Fail(resource + " entry is not a directory");

  const std::vector<DirectoryEntry> languages =
      ReadDirectory(tree, by_name->target & ~kHighBit, resource + " language directory");
  if (languages.empty()) Fail(resource + " has no language");
  const DirectoryEntry& first = languages.front();
  if ((first.target & kHighBit) != 0) Fail(resource + "'s language entry is not a data entry");

  const std::string entry = resource + " data entry";
  tree.Need(first.target, 16, entry);
  return MapRva(file, headers, tree.U32(first.target, entry), tree.U32(first.target + 4, entry),
                resource + " data");
}

}  // namespace inspect
