// The patch run: finds the game through the pointer file, checks the installation, removes the
// game executable, writes the four payload entries and offers to start the game.
#pragma once

#include <string>

#include "payload/container.h"

// The Windows directory, ending in one backslash.
extern std::string WindowsDir;
// The game's install directory: the pointer file's bytes, ending in one backslash.
extern std::string GameDir;

// Target of each payload entry, relative to GameDir, in entry order.
extern const char* const TargetFiles[container::kEntryCount];

// One run, start to end. Every path shows exactly one message of PatchMessages, unless a file
// service raises first (the error then leaves RunPatch).
void RunPatch();
