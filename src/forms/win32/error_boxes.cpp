// The standard error box and the last-chance box: system message boxes.
#include <windows.h>

#include "forms/backend.h"
#include "forms/win32/win32_common.h"

namespace backend {

namespace win32 {
namespace {

struct Collection {
  HWND owner;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM lparam) {
  auto& collection = *reinterpret_cast<Collection*>(lparam);
  if (window == collection.owner || !IsWindowVisible(window) || !IsWindowEnabled(window))
    return TRUE;
  try {
    collection.windows->push_back(window);
    return TRUE;
  } catch (...) {
    // No error may unwind through the enumeration; the windows found so far are disabled.
    return FALSE;
  }
}

}  // namespace

DisabledTaskWindows::DisabledTaskWindows(HWND owner)
    : owner_(owner), active_(GetActiveWindow()), focus_(GetFocus()) {
  Collection collection{owner_, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow,
                    reinterpret_cast<LPARAM>(&collection));
  for (HWND window : disabled_) EnableWindow(window, FALSE);
}

DisabledTaskWindows::~DisabledTaskWindows() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (active_ != nullptr && IsWindow(active_)) SetActiveWindow(active_);
  if (focus_ != nullptr && IsWindow(focus_)) SetFocus(focus_);
}

}  // namespace win32

void ShowErrorBox(WindowHandle owner, const std::string& text, const std::string& caption) {
  const HWND owner_window = static_cast<HWND>(owner);
  const win32::TaskbarButtonScope taskbar_button(owner_window);
  const win32::DisabledTaskWindows modal(owner_window);
  MessageBoxA(owner_window, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

void ShowLastChanceBox(const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace backend
