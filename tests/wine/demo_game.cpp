// A stand-in for the game: appends its command line and working directory to launched.txt
// beside its own executable, then exits.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  char module[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string log(module, length);
  log.erase(log.find_last_of('\\') + 1);
  log += "launched.txt";

  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, directory);

  if (FILE* out = std::fopen(log.c_str(), "ab")) {
    std::fprintf(out, "cmdline=%s\r\ncwd=%s\r\nshow=%d\r\n", GetCommandLineA(), directory, show);
    std::fclose(out);
  }
  return 0;
}
