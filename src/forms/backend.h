// What the platform layer needs from the windowing system. One declaration per operation; the
// Win32 definitions are in win32/, the host's headless ones in headless/.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct TMessageDialogForm;
class TForm;

namespace backend {

// An HWND on Win32; an opaque token on the host.
using WindowHandle = void*;

// ShowWindow commands the layer uses.
constexpr int kShowNormal = 1;       // SW_SHOWNORMAL
constexpr int kShowMaximized = 3;    // SW_SHOWMAXIMIZED
constexpr int kShowNoActivate = 4;   // SW_SHOWNOACTIVATE
constexpr int kShow = 5;             // SW_SHOW
constexpr int kShowMinNoActive = 7;  // SW_SHOWMINNOACTIVE
constexpr int kRestore = 9;          // SW_RESTORE
constexpr int kShowDefault = 10;     // SW_SHOWDEFAULT

// Restricts where the process looks for a DLL loaded by name to the system directory, so that
// no DLL placed beside the program (a Downloads folder) or in its working directory is loaded.
// Called first thing at process start, before any window exists.
void RestrictDllSearch();

// The show state the starting process passed, read once at process start; kShowDefault when
// the starter passed none.
int StartupShowState();
// Full path of the running program's executable.
std::string ExecutableFileName();
// Lower case in the system's ANSI code page.
std::string AnsiLowerCase(const std::string& text);

// The application window: hidden, top level, carries the title and the icon, gives the taskbar
// button and owns every form and dialog. Taskbar restore and close reach the application object.
WindowHandle CreateApplicationWindow(const std::string& title);
void ShowApplicationWindow(WindowHandle window, int show_command);
// The window's text, up to 255 characters.
std::string WindowText(WindowHandle window);

// A form's window, owned by the application window, not yet visible.
WindowHandle CreateFormWindow(TForm& form, WindowHandle owner);
void SetWindowBounds(WindowHandle window, int left, int top, int width, int height);
void ShowFormWindow(WindowHandle window, int show_command);
void HideWindow(WindowHandle window);
void DestroyWindow(WindowHandle window);

// Posts the quit message; the message loop ends when it retrieves it.
void PostQuitMessage(int exit_code);
// Retrieves and dispatches messages until the quit message.
void RunMessageLoop();

// The modal message dialog of `form`, owned by `owner`. Returns the result of what closed it.
int ShowMessageDialog(const TMessageDialogForm& form, WindowHandle owner);
// The standard error box: one OK button and the error icon, owned by `owner`; the program's
// other windows are disabled while it is open.
void ShowErrorBox(WindowHandle owner, const std::string& text, const std::string& caption);
// The last-chance box, captioned "Application Error", for an error nothing else caught.
void ShowLastChanceBox(const std::string& text);

// The stored-form resource of that name (RCDATA). Raises EResNotFound when there is none.
std::span<const std::uint8_t> FindFormResource(const std::string& name);

}  // namespace backend
