// Pieces the Win32 backend's files share: the guard that keeps C++ errors inside a window
// procedure, and what every modal box does to the program's other windows while it is open.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/application.h"

namespace backend::win32 {

// Runs `handler` for a window or dialog procedure. An error must never unwind through the
// system's frames: it goes to the application's error handler, and the message gets `on_error`.
template <class Handler>
LRESULT Guarded(Handler&& handler, LRESULT on_error) {
  try {
    return handler();
  } catch (...) {
    try {
      if (Application != nullptr) Application->HandleException();
    } catch (...) {
      // The handler failed as well; nothing is left that could report it.
    }
    return on_error;
  }
}

// The program keeps its taskbar button while a modal box is open: a hidden owner (the
// application window) is shown without activation for the box's span and hidden again after.
class TaskbarButtonScope {
 public:
  explicit TaskbarButtonScope(HWND owner) : owner_(owner) {
    if (owner_ != nullptr && !IsWindowVisible(owner_)) {
      ShowWindow(owner_, SW_SHOWNOACTIVATE);
      shown_ = true;
    }
  }
  ~TaskbarButtonScope() {
    if (shown_ && IsWindow(owner_)) ShowWindow(owner_, SW_HIDE);
  }
  TaskbarButtonScope(const TaskbarButtonScope&) = delete;
  TaskbarButtonScope& operator=(const TaskbarButtonScope&) = delete;

 private:
  HWND owner_;
  bool shown_ = false;
};

// Modality over the whole program: the thread's other visible, enabled top-level windows are
// disabled for the box's span; afterwards they are enabled again and the window that was
// active, and the focus, are restored. The owner is left to the box, which disables it itself.
class DisabledTaskWindows {
 public:
  explicit DisabledTaskWindows(HWND owner);
  ~DisabledTaskWindows();
  DisabledTaskWindows(const DisabledTaskWindows&) = delete;
  DisabledTaskWindows& operator=(const DisabledTaskWindows&) = delete;

 private:
  HWND owner_;
  HWND active_;
  HWND focus_;
  std::vector<HWND> disabled_;
};

}  // namespace backend::win32
