// The four targets of the payload, relative to GameDir. Its own file, so that the host tools
// that build and read installers name the same targets without linking the patch run.
#include "patch/patch.h"

const char* const TargetFiles[container::kEntryCount] = {
    "Duskhollow.exe",
    "Data\\tutorial",
    "Data\\25",
    "Game.ini",
};
