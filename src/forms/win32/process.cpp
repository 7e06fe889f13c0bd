// What the process was started with and what it is: the start-up show state, the executable's
// path, and the ANSI code page's case rules.
#include <windows.h>

#include "forms/backend.h"

namespace backend {

int StartupShowState() {
  static const int show_state = [] {
    STARTUPINFOA info{};
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    // wShowWindow means something only when the starter set STARTF_USESHOWWINDOW.
    return (info.dwFlags & STARTF_USESHOWWINDOW) != 0 ? static_cast<int>(info.wShowWindow)
                                                      : SW_SHOWDEFAULT;
  }();
  return show_state;
}

namespace {
// Read while the process starts, before anything could have changed it.
[[maybe_unused]] const int kStartupShowStateRead = StartupShowState();
}  // namespace

std::string ExecutableFileName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A length equal to the buffer's size means the path was cut short.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::string AnsiLowerCase(const std::string& text) {
  std::string lower = text;
  if (!lower.empty()) CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
  return lower;
}

}  // namespace backend
