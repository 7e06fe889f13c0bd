// Stands in for a DLL planted beside the installer, under the name of one that window code
// loads: records every load into C:\planted.log (its own path and the program that loaded it),
// then refuses to stay loaded, so the program goes on as if it had not been found.
#include <windows.h>

#include <string>

namespace {

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  const std::string line = "dll=" + ModulePath(self) + " exe=" + ModulePath(nullptr) + "\r\n";
  const HANDLE log =
      CreateFileA("C:\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
  }
  return FALSE;
}
