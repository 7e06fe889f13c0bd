// What inspect prints about an installer.
#pragma once

#include <ostream>
#include <string>

#include "inspect/installer.h"

namespace inspect {

// The header lines and one line per entry: index, target path as the program writes it, size in
// bytes, SHA-256 in lower-case hex. Kept stable, for scripts that grep it:
//   build/win32/Oprava.exe: PE32 i386, RCDATA TFORM1 4,001,463 bytes
//   form Form1 (TForm1), picture 2000 x 2000 at 8 bits
//   0  Duskhollow.exe   2460672  <sha256>
void PrintListing(std::ostream& out, const std::string& file_name,
                  const InstallerContents& contents);

}  // namespace inspect
