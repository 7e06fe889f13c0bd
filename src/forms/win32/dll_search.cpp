// Where the process looks for DLLs. Windows looks for a DLL that is not one of its known system
// DLLs in the program's own folder first, and window and dialog code loads such DLLs by name:
// started from a Downloads folder, the program would load whatever lies there under those names.
#include <windows.h>

#include <string>

#include "forms/backend.h"

namespace backend {
namespace {

// Windows 8 and later, and Vista and 7 with KB2533623; not in Windows XP.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
// Windows XP SP1 and later.
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

// What windows, dialogs and their themes load by name where the search cannot be restricted.
constexpr const char* kWindowDlls[] = {"uxtheme.dll", "dwmapi.dll", "msimg32.dll", "oleacc.dll"};

template <typename Function>
Function Kernel32Function(const char* name) {
  // kernel32 is mapped into every process; GetProcAddress gives NULL where the system lacks it.
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

std::string SystemDirectory() {
  char buffer[MAX_PATH];
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  // 0 is failure; a length >= the size means it did not fit.
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}

}  // namespace

void RestrictDllSearch() {
  const auto set_default =
      Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
  // Nonzero is success.
  if (set_default != nullptr && set_default(kSearchSystem32) != 0) return;

  // Older systems: the working directory at least leaves the search.
  const auto set_dll_directory = Kernel32Function<SetDllDirectoryFunction>("SetDllDirectoryA");
  if (set_dll_directory != nullptr) set_dll_directory("");
  // The program's own folder cannot leave it, so the DLLs the window code pulls in are loaded
  // from the system directory first: a later load by name finds them loaded. Their own imports
  // are looked for beside them. One that this Windows lacks is simply not there.
  const std::string system = SystemDirectory();
  if (system.empty()) return;
  for (const char* name : kWindowDlls) {
    LoadLibraryExA((system + "\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

}  // namespace backend
