// What a built installer carries, read from its file: the stored main form in RCDATA "TFORM1",
// Image1's bitmap, and the four payload entries in its pixel block, found the way the program
// finds them (the block starts at scan line Height - 1 of the bottom-up bitmap).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "inspect/inspect_error.h"
#include "inspect/pe_resources.h"
#include "payload/container.h"

namespace inspect {

struct InstallerContents {
  PeHeaders pe;
  std::size_t resource_bytes = 0;
  std::string form_name;
  std::string form_class;
  int width = 0;
  int height = 0;
  int bit_count = 0;
  std::size_t block_bytes = 0;
  // Views into the file given to ReadInstaller.
  std::array<std::span<const std::uint8_t>, container::kEntryCount> entries;
};

// Raises InspectError with one line saying what is wrong: the PE image, the resource, the stored
// form, the bitmap, or a directory record outside the entry area.
InstallerContents ReadInstaller(std::span<const std::uint8_t> file);

}  // namespace inspect
