// Reads a PE32 or PE32+ image as a file on disk, without loading it: the headers, the section
// table and the resource tree. Every offset, RVA and length is checked against the file before
// it is used, so any input either gives its answer or raises InspectError; no byte outside the
// file is ever read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/inspect_error.h"

namespace inspect {

struct PeSection {
  std::string name;
  std::uint32_t virtual_address = 0;
  std::uint32_t virtual_size = 0;
  std::uint32_t raw_offset = 0;
  std::uint32_t raw_size = 0;
};

struct PeDataDirectory {
  std::uint32_t address = 0;  // an RVA; for the certificate table a file offset
  std::uint32_t size = 0;
};

struct PeHeaders {
  bool pe32_plus = false;
  std::uint16_t machine = 0;
  std::vector<PeSection> sections;
  PeDataDirectory resources;
  PeDataDirectory certificates;
};

// "PE32 i386", "PE32+ x86-64".
std::string Describe(const PeHeaders& headers);

// The headers and section table. Raises InspectError for a file that is not a PE image, or one
// whose headers, sections or certificate table run past its end.
PeHeaders ReadPeHeaders(std::span<const std::uint8_t> file);

// The bytes of [rva, rva + size) in the file, when they lie inside one section's data there.
// Raises InspectError naming `what` otherwise.
std::span<const std::uint8_t> MapRva(std::span<const std::uint8_t> file, const PeHeaders& headers,
                                     std::uint32_t rva, std::uint32_t size,
                                     const std::string& what);

// The data of the resource of numeric type `type` and name `name` (compared without regard to
// ASCII case), first language. Raises InspectError when the image has no resource directory,
// no such resource, or a resource tree that does not hold together.
std::span<const std::uint8_t> FindResource(std::span<const std::uint8_t> file,
                                           const PeHeaders& headers, std::uint16_t type,
                                           std::string_view name);

}  // namespace inspect
