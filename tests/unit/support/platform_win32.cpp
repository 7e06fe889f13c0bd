#include <windows.h>

#include <fstream>
#include <iterator>

#include "support/platform.h"
#include "support/temp_dir.h"

std::string UseTestWindowsDirectory(const TempDir&) {
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, length);
}

void ForgetTestWindowsDirectory() {}

formwriter::Bytes GameProgram() {
  std::ifstream in(OPRAVA_DEMO_GAME, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
