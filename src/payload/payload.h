// The payload entries carried in the main form's picture, and the writing of one to a file.
#pragma once

#include <cstdint>
#include <string>

#include "payload/container.h"

// One record of the directory at the start of the pixel block.
struct TPayloadEntry {
  std::int32_t Offset;  // from the end of the directory
  std::int32_t Size;
};

// The container's directory, copied afresh from the pixel block by every extraction.
extern TPayloadEntry PayloadDirectory[container::kEntryCount];

// Writes entry `Index` to `TargetPath`, replacing any file there. True when the file has been
// created anew and holds exactly the entry's bytes; false when it cannot be created or the write
// stores fewer bytes. An index or record outside the container gives false before the target is
// touched. Raises nothing and shows nothing.
bool ExtractPayloadEntry(std::int32_t Index, const std::string& TargetPath);
