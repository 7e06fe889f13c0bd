// Small PE32 and PE32+ images with a resource section, for the inspect tests and the fuzzer's
// seeds. Written field by field here, apart from the reader, and with the places of the fields a
// test makes lie.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "form_samples.h"

namespace pe_samples {

using Bytes = std::vector<std::uint8_t>;
using samples::Poke;

// A resource's type or name: a numeric id, or a name when `name` is not empty.
struct Key {
  std::uint16_t id = 0;
  std::string name;
};

struct Resource {
  Key type;
  Key name;
  std::uint16_t language = 0;
  Bytes data;
};

struct Image {
  bool pe32_plus = false;
  // Languages of one name keep this order in their directory.
  std::vector<Resource> resources;
  // Appended after the sections as a certificate table when not empty, as signing does.
  Bytes certificate;
};

// File offsets of what was built.
struct Places {
  std::size_t pe_header = 0;  // "PE\0\0"; the COFF header follows
  std::size_t optional_header = 0;
  std::size_t data_directories = 0;
  std::size_t section_table = 0;  // .text, then .rsrc
  std::size_t rsrc = 0;           // .rsrc's data: the root of the resource directory
  std::size_t certificate = 0;
  // Per resource, in the order of Image::resources.
  struct Of {
    std::size_t type_entry;      // in the root
    std::size_t name_entry;      // in the type's directory
    std::size_t name_string;     // 0 for a numeric name
    std::size_t name_directory;  // the directory of its languages
    std::size_t language_entry;  // in that directory
    std::size_t data_entry;
    std::size_t data;
  };
  std::vector<Of> resource;
};

struct Built {
  Bytes file;
  Places at;
};

constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kTextRva = 0x1000;
constexpr std::uint32_t kRsrcRva = 0x2000;

inline std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Named entries first, by name; then numeric ones, by id: the order resource compilers write.
struct KeyLess {
  bool operator()(const Key& a, const Key& b) const {
    if (a.name.empty() != b.name.empty()) return !a.name.empty();
    return a.name.empty() ? a.id < b.id : a.name < b.name;
  }
};

// The .rsrc section's data for a section at kRsrcRva, and where each resource's parts are in it.
inline Bytes BuildResourceSection(const std::vector<Resource>& resources,
                                  std::vector<Places::Of>& places) {
  std::map<Key, std::map<Key, std::vector<std::size_t>, KeyLess>, KeyLess> tree;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    tree[resources[i].type][resources[i].name].push_back(i);
  }
  places.assign(resources.size(), {});

  // Directories level by level, then the data entries, the name strings and the data.
  std::size_t at = 16 + 8 * tree.size();
  std::map<const Key*, std::size_t> directory_of;
  for (auto& [type, names] : tree) {
    directory_of[&type] = at;
    at += 16 + 8 * names.size();
  }
  for (auto& [type, names] : tree) {
    for (auto& [name, languages] : names) {
      directory_of[&name] = at;
      at += 16 + 8 * languages.size();
    }
  }
  for (auto& [type, names] : tree) {
    for (auto& [name, languages] : names) {
      for (const std::size_t r : languages) {
        places[r].data_entry = at;
        at += 16;
      }
    }
  }
  std::map<const Key*, std::size_t> string_of;
  for (auto& [type, names] : tree) {
    if (!type.name.empty()) {
      string_of[&type] = at;
      at += 2 + 2 * type.name.size();
    }
    for (auto& [name, languages] : names) {
      if (!name.name.empty()) {
        string_of[&name] = at;
        at += 2 + 2 * name.name.size();
      }
    }
  }
  for (auto& [type, names] : tree) {
    for (auto& [name, languages] : names) {
      for (const std::size_t r : languages) {
        at = AlignUp(at, 8);
        places[r].data = at;
        at += resources[r].data.size();
      }
    }
  }

  Bytes out(at, 0);
  const auto directory = [&](std::size_t where, std::size_t named, std::size_t numbered) {
    Poke(out, where + 8, 4, 2);  // MajorVersion 4
    Poke(out, where + 12, named, 2);
    Poke(out, where + 14, numbered, 2);
  };
  const auto entry = [&](std::size_t where, const Key& key, std::uint32_t target) {
    Poke(out, where, key.name.empty() ? key.id : 0x80000000u | string_of.at(&key), 4);
    Poke(out, where + 4, target, 4);
  };
  const auto count_named = [](const auto& map) {
    return static_cast<std::size_t>(std::count_if(
        map.begin(), map.end(), [](const auto& item) { return !item.first.name.empty(); }));
  };
  for (auto& [key, where] : string_of) {
    Poke(out, where, key->name.size(), 2);
    for (std::size_t k = 0; k < key->name.size(); ++k) {
      Poke(out, where + 2 + 2 * k, static_cast<unsigned char>(key->name[k]), 2);
    }
  }

  directory(0, count_named(tree), tree.size() - count_named(tree));
  std::size_t type_index = 0;
  for (auto& [type, names] : tree) {
    const std::size_t type_entry = 16 + 8 * type_index++;
    const std::size_t type_directory = directory_of.at(&type);
    entry(type_entry, type, 0x80000000u | static_cast<std::uint32_t>(type_directory));
    directory(type_directory, count_named(names), names.size() - count_named(names));
    std::size_t name_index = 0;
    for (auto& [name, languages] : names) {
      const std::size_t name_entry = type_directory + 16 + 8 * name_index++;
      const std::size_t name_directory = directory_of.at(&name);
      entry(name_entry, name, 0x80000000u | static_cast<std::uint32_t>(name_directory));
      directory(name_directory, 0, languages.size());
      for (std::size_t l = 0; l < languages.size(); ++l) {
        const std::size_t r = languages[l];
        Places::Of& place = places[r];
        place.type_entry = type_entry;
        place.name_entry = name_entry;
        place.name_string = name.name.empty() ? 0 : string_of.at(&name);
        place.name_directory = name_directory;
        place.language_entry = name_directory + 16 + 8 * l;
        entry(place.language_entry, Key{resources[r].language, ""},
              static_cast<std::uint32_t>(place.data_entry));
        Poke(out, place.data_entry, kRsrcRva + place.data, 4);  // an RVA, unlike the others
        Poke(out, place.data_entry + 4, resources[r].data.size(), 4);
        std::copy(resources[r].data.begin(), resources[r].data.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(place.data));
      }
    }
  }
  return out;
}

inline Built Build(const Image& image) {
  Built built;
  Bytes& file = built.file;
  Places& at = built.at;
  const Bytes rsrc = BuildResourceSection(image.resources, at.resource);
  const std::size_t rsrc_raw = AlignUp(rsrc.size(), kFileAlignment);

  file.assign(0x400 + rsrc_raw, 0);
  file[0] = 'M';
  file[1] = 'Z';
  at.pe_header = 0x40;
  Poke(file, 0x3C, at.pe_header, 4);  // e_lfanew
  std::copy_n("PE\0\0", 4, file.begin() + static_cast<std::ptrdiff_t>(at.pe_header));

  const std::size_t coff = at.pe_header + 4;
  const std::size_t optional_size = image.pe32_plus ? 240 : 224;
  Poke(file, coff, image.pe32_plus ? 0x8664 : 0x14C, 2);        // Machine
  Poke(file, coff + 2, 2, 2);                                   // NumberOfSections
  Poke(file, coff + 16, optional_size, 2);                      // SizeOfOptionalHeader
  Poke(file, coff + 18, image.pe32_plus ? 0x0022 : 0x0102, 2);  // executable, 32-bit / large

  const std::size_t opt = coff + 20;
  at.optional_header = opt;
  Poke(file, opt, image.pe32_plus ? 0x20B : 0x10B, 2);  // Magic
  Poke(file, opt + 4, kFileAlignment, 4);               // SizeOfCode
  Poke(file, opt + 8, rsrc_raw, 4);                     // SizeOfInitializedData
  Poke(file, opt + 16, kTextRva, 4);                    // AddressOfEntryPoint
  Poke(file, opt + 20, kTextRva, 4);                    // BaseOfCode
  if (image.pe32_plus) {
    Poke(file, opt + 24, 0x140000000ull, 8);  // ImageBase
  } else {
    Poke(file, opt + 24, kRsrcRva, 4);  // BaseOfData
    Poke(file, opt + 28, 0x400000, 4);  // ImageBase
  }
  Poke(file, opt + 32, 0x1000, 4);                                   // SectionAlignment
  Poke(file, opt + 36, kFileAlignment, 4);                           // FileAlignment
  Poke(file, opt + 40, 5, 2);                                        // MajorOperatingSystemVersion
  Poke(file, opt + 48, 5, 2);                                        // MajorSubsystemVersion
  Poke(file, opt + 56, AlignUp(kRsrcRva + rsrc.size(), 0x1000), 4);  // SizeOfImage
  Poke(file, opt + 60, kFileAlignment, 4);                           // SizeOfHeaders
  Poke(file, opt + 68, 2, 2);                                        // Subsystem: GUI
  Poke(file, opt + 70, 0x0140, 2);                                   // DllCharacteristics
  // Stack and heap reserve and commit: four words of the image's width.
  const int word = image.pe32_plus ? 8 : 4;
  for (int k = 0; k < 4; ++k) Poke(file, opt + 72 + k * word, 0x100000, word);
  const std::size_t directories = image.pe32_plus ? 112 : 96;
  Poke(file, opt + directories - 4, 16, 4);  // NumberOfRvaAndSizes
  at.data_directories = opt + directories;
  Poke(file, at.data_directories + 8 * 2, kRsrcRva, 4);  // resource directory
  Poke(file, at.data_directories + 8 * 2 + 4, rsrc.size(), 4);

  at.section_table = opt + optional_size;
  const auto section = [&](int index, const char* name, std::uint32_t rva, std::size_t size,
                           std::size_t raw, std::size_t raw_size, std::uint32_t flags) {
    const std::size_t header = at.section_table + 40 * static_cast<std::size_t>(index);
    std::copy_n(name, std::char_traits<char>::length(name),
                file.begin() + static_cast<std::ptrdiff_t>(header));
    Poke(file, header + 8, size, 4);
    Poke(file, header + 12, rva, 4);
    Poke(file, header + 16, raw_size, 4);
    Poke(file, header + 20, raw, 4);
    Poke(file, header + 36, flags, 4);
  };
  section(0, ".text", kTextRva, 1, 0x200, kFileAlignment, 0x60000020);      // code, read, execute
  section(1, ".rsrc", kRsrcRva, rsrc.size(), 0x400, rsrc_raw, 0x40000040);  // data, read
  file[0x200] = 0xC3;                                                       // ret
  at.rsrc = 0x400;
  std::copy(rsrc.begin(), rsrc.end(), file.begin() + 0x400);

  if (!image.certificate.empty()) {
    // WIN_CERTIFICATE: dwLength, wRevision 2.0, wCertificateType PKCS#7, the bytes; 8-aligned.
    at.certificate = file.size();
    const std::size_t length = 8 + image.certificate.size();
    file.resize(at.certificate + AlignUp(length, 8), 0);
    Poke(file, at.certificate, length, 4);
    Poke(file, at.certificate + 4, 0x0200, 2);
    Poke(file, at.certificate + 6, 0x0002, 2);
    std::copy(image.certificate.begin(), image.certificate.end(),
              file.begin() + static_cast<std::ptrdiff_t>(at.certificate + 8));
    Poke(file, at.data_directories + 8 * 4, at.certificate, 4);  // a file offset, not an RVA
    Poke(file, at.data_directories + 8 * 4 + 4, AlignUp(length, 8), 4);
  }
  return built;
}

// An 8-bit bottom-up BMP of 16 x 6 whose 96 pixel bytes are the container: the directory, then
// the entries back to back (they may take at most 64 bytes).
inline Bytes SmallContainerBmp(const std::array<Bytes, 4>& entries) {
  constexpr std::size_t kWidth = 16, kHeight = 6;
  Bytes bmp = samples::BuildBmp({kWidth, kHeight, 8, 2, 2, 0, kWidth * kHeight});
  const std::size_t block = bmp.size() - kWidth * kHeight;
  std::fill(bmp.begin() + static_cast<std::ptrdiff_t>(block), bmp.end(), 0);
  std::size_t offset = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Poke(bmp, block + 8 * i, offset, 4);
    Poke(bmp, block + 8 * i + 4, entries[i].size(), 4);
    std::copy(entries[i].begin(), entries[i].end(),
              bmp.begin() + static_cast<std::ptrdiff_t>(block + 32 + offset));
    offset += entries[i].size();
  }
  return bmp;
}

// The four entries the small installers carry; 60 of the 64 bytes of the entry area, one empty.
inline std::array<Bytes, 4> SmallEntries() {
  return {Bytes{'M', 'Z', 0x90, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xB8, 0, 0, 0},
          Bytes(10, 't'), Bytes{},
          Bytes{'[',  'G',  'a', 'm', 'e', ']', '\r', '\n', 'L', 'a', 'n', 'g', '=', 'c',  's',
                '\r', '\n', 'V', 'e', 'r', 's', 'i',  'o',  'n', '=', '1', '.', '2', '\r', '\n'}};
}

// An installer as the resource compiler lays one out, with other resources beside TFORM1: an
// icon and its group, another RCDATA, a second language of TFORM1 after the first, and a type
// named "TFORM1" that is not RCDATA. `form` is the first language's data.
inline Image SmallInstaller(bool pe32_plus, bool signed_like, const Bytes& form) {
  Image image;
  image.pe32_plus = pe32_plus;
  image.resources = {
      {{3, ""}, {1, ""}, 0x409, Bytes(40, 0x11)},
      {{14, ""}, {0, "MAINICON"}, 0x409, Bytes{0, 0, 1, 0, 1, 0}},
      {{10, ""}, {0, "ABOUT"}, 0x409, Bytes{'h', 'i'}},
      {{10, ""}, {0, "TFORM1"}, 0, form},
      {{10, ""}, {0, "TFORM1"}, 0x405, Bytes{'T', 'P', 'F', '0', 'x'}},
      {{0, "TFORM1"}, {0, "TFORM1"}, 0, Bytes{'n', 'o'}},
  };
  if (signed_like) image.certificate = Bytes(37, 0x30);
  return image;
}

// Index of the TFORM1 resource that is read in SmallInstaller's resources.
constexpr std::size_t kTForm1 = 3;

}  // namespace pe_samples
