// The application window: hidden, of no size, at the screen's centre. It carries the title and
// the icon, gives the program's taskbar button and owns the forms and dialogs. What the taskbar
// asks of it goes to the application object.
#include <windows.h>

#include "forms/application.h"
#include "forms/backend.h"
#include "forms/win32/win32_common.h"

namespace backend {
namespace {

constexpr char kClassName[] = "TApplication";

LRESULT OnSysCommand(HWND window, WPARAM command, LPARAM position) {
  // The low four bits of the command are the system's own.
  switch (command & 0xFFF0) {
    case SC_RESTORE:
      if (!IsIconic(window)) break;
      if (Application != nullptr) Application->Restore();
      return 0;
    case SC_MINIMIZE:
      ShowWindow(window, SW_MINIMIZE);
      return 0;
    case SC_CLOSE:
      if (Application != nullptr) Application->CloseFromTaskbar();
      return 0;
  }
  return DefWindowProcA(window, WM_SYSCOMMAND, command, position);
}

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return win32::Guarded(
      [&]() -> LRESULT {
        switch (message) {
          case WM_SYSCOMMAND:
            return OnSysCommand(window, wparam, lparam);
          case WM_CLOSE:
            // Closing never destroys the window: the application object ends the program.
            if (Application != nullptr) Application->CloseFromTaskbar();
            return 0;
        }
        return DefWindowProcA(window, message, wparam, lparam);
      },
      0);
}

void RegisterApplicationClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kClassName, &existing)) return;

  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = ApplicationWindowProc;
  window_class.hInstance = instance;
  // None when the executable carries no MAINICON, as test programs do not.
  window_class.hIcon = LoadIconA(instance, "MAINICON");
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.lpszClassName = kClassName;
  RegisterClassExA(&window_class);
}

}  // namespace

WindowHandle CreateApplicationWindow(const std::string& title) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterApplicationClass(instance);
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;
  return CreateWindowExA(0, kClassName, title.c_str(), kStyle, GetSystemMetrics(SM_CXSCREEN) / 2,
                         GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr, instance,
                         nullptr);
}

void ShowApplicationWindow(WindowHandle window, int show_command) {
  ShowWindow(static_cast<HWND>(window), show_command);
}

std::string WindowText(WindowHandle window) {
  char text[256];
  const int length = GetWindowTextA(static_cast<HWND>(window), text, sizeof text);
  return std::string(text, length > 0 ? length : 0);
}

}  // namespace backend
