// The entries of an installer against a folder laid out like the game's installation.
#pragma once

#include <ostream>
#include <string>

#include "inspect/installer.h"

namespace inspect {

// Compares the entries with the files of a folder laid out like the game. One "verify: " line per
// difference, or one saying that all match; true only when all four match.
bool VerifyEntries(std::ostream& out, const InstallerContents& contents, const std::string& dir);

// Writes the entries at their places under `dir`, creating it and Data/, with a line for each.
// Throws std::runtime_error naming the path that cannot be written.
void ExtractEntries(std::ostream& out, const InstallerContents& contents, const std::string& dir);

}  // namespace inspect
