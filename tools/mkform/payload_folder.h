// The payload as a folder laid out like the game's installation: the four files the patch writes,
// at their places under the game directory. Any other file in the folder is not part of it, so a
// copy of a patched game folder serves.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "payload/container.h"

namespace payloadfolder {

using Bytes = std::vector<std::uint8_t>;

// Entry `index`'s place in a folder on the host: its target in TargetFiles with '/' for '\'.
std::string FolderPath(int index);

// The four files of `dir`, in entry order. Throws std::runtime_error with one line that names
// the folder and what is wrong with it: the folder or files missing, a file that cannot be read,
// or files that together exceed the container's entry area.
std::array<Bytes, container::kEntryCount> ReadPayloadFolder(const std::string& dir);

}  // namespace payloadfolder
