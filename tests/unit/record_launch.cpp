// Stands in for the game in the start test: records how it was started into launch.txt beside
// itself (command line, working directory, show flags and state, one per line), then ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  // A full buffer means the path was cut.
  if (length == 0 || length >= MAX_PATH) return 1;
  std::string folder(self, length);
  folder.resize(folder.find_last_of('\\') + 1);

  char cwd[MAX_PATH];
  const DWORD cwdLength = GetCurrentDirectoryA(MAX_PATH, cwd);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  const std::string record = std::string(GetCommandLineA()) + "\n" +
                             std::string(cwd, cwdLength < MAX_PATH ? cwdLength : 0) + "\n" +
                             std::to_string(startup.dwFlags & STARTF_USESHOWWINDOW) + "\n" +
                             std::to_string(startup.wShowWindow) + "\n";

  // Written aside and moved into place, so the test never reads half a record.
  const std::string partial = folder + "launch.tmp";
  const HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
  return MoveFileA(partial.c_str(), (folder + "launch.txt").c_str()) ? 0 : 1;
}
