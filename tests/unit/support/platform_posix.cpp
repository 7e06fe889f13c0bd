#include <cstdlib>

#include "support/platform.h"
#include "support/temp_dir.h"

std::string UseTestWindowsDirectory(const TempDir& temp) {
  const std::string windows = temp.MakeDir("windows");
  setenv("WINDIR", windows.c_str(), 1);
  return windows;
}

void ForgetTestWindowsDirectory() {
  unsetenv("WINDIR");
}

formwriter::Bytes GameProgram() {
  const std::string script =
      "#!/bin/sh\n"
      "printf 'cmdline=%s\\r\\ncwd=%s\\r\\n' \"$0\" \"$(pwd)\" >> \"$(dirname "
      "\"$0\")/launched.txt\"\n";
  return {script.begin(), script.end()};
}
