// The end-to-end driver: starts a program with a chosen start-up show state, optionally holding
// files open with no sharing; reports every dialog and message box of the program (caption,
// texts, buttons, icon) and answers it; can act as the taskbar; reports the exit code.
//
//   wine_driver [--show N|none] [--cwd DIR] [--hold PATH]... [--answer A]... [--shots DIR]
//               [--taskbar restore|close] [--timeout SECONDS] PROGRAM
//
// An answer is a button label ("OK", "&Yes"), "esc", "close", or "none" (left to the user).
// Texts are read through the wide functions and printed as hex of their UTF-8 bytes, so they can
// be compared character for character whatever the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string program;
  std::string directory;  // the program's working directory; the driver's own when empty
  std::string show = "none";
  std::vector<std::string> held;
  std::vector<std::string> answers;
  std::string shots;         // where screenshots go; none when empty
  std::string taskbar;       // "restore" or "close" once the program waits minimised
  DWORD timeout_ms = 30000;  // 0: wait for ever
};

// Plain RAII for the few kinds of handle used here.
struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  explicit Handle(HANDLE h) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  Handle(Handle&& other) noexcept : value(other.value) { other.value = nullptr; }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != nullptr) CloseHandle(value);
  }
};

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

// A 32-bit top-down DIB section selected into a memory DC: pixels are readable in place.
struct Canvas {
  int width, height;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint32_t* pixels = nullptr;
  Canvas(int w, int h) : width(w), height(h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<std::uint32_t*>(bits);
    if (bitmap != nullptr) old = SelectObject(dc, bitmap);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas() {
    if (old != nullptr) SelectObject(dc, old);
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(dc);
  }
  bool Ok() const { return pixels != nullptr; }
  // The screen's pixels from (left, top).
  void CopyScreen(int left, int top) {
    ScreenDc screen;
    BitBlt(dc, 0, 0, width, height, screen.dc, left, top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
  }
};

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

std::string ClassOf(HWND window) {
  char name[256];
  const int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, length > 0 ? length : 0);
}

// Read through the wide functions, so that the text is what the window holds whatever the ANSI
// code page of either process; given as UTF-8. WM_GETTEXT crosses the process boundary.
std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 2000, &copied))
    return {};
  text.resize(std::min<std::size_t>(copied, length));
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

bool IsDialog(HWND window) {
  return ClassOf(window) == "#32770";
}

// Input method windows that Wine gives every GUI thread; they are no part of the program.
bool IsImeWindow(HWND window) {
  const std::string name = ClassOf(window);
  return name == "IME" || name == "MSCTFIME UI";
}

struct ProcessWindows {
  DWORD process;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  auto& windows = *reinterpret_cast<ProcessWindows*>(param);
  DWORD owner_process = 0;
  GetWindowThreadProcessId(window, &owner_process);
  if (owner_process == windows.process) windows.found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD process) {
  ProcessWindows windows{process, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows.found;
}

std::vector<HWND> VisibleDialogs(DWORD process) {
  std::vector<HWND> dialogs;
  for (HWND window : TopLevelWindows(process))
    if (IsDialog(window) && IsWindowVisible(window)) dialogs.push_back(window);
  return dialogs;
}

// The application window: the process's top-level window that is neither a dialog nor owned.
HWND ApplicationWindow(DWORD process) {
  for (HWND window : TopLevelWindows(process))
    if (!IsDialog(window) && !IsImeWindow(window) && GetWindow(window, GW_OWNER) == nullptr)
      return window;
  return nullptr;
}

// A form: a top-level window of the process that is neither a dialog nor the application window.
bool FormVisible(DWORD process) {
  for (HWND window : TopLevelWindows(process))
    if (!IsDialog(window) && !IsImeWindow(window) && GetWindow(window, GW_OWNER) != nullptr &&
        IsWindowVisible(window))
      return true;
  return false;
}

std::vector<HWND> Children(HWND dialog, const char* class_name) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (lstrcmpiA(ClassOf(child).c_str(), class_name) == 0 && IsWindowVisible(child))
      found.push_back(child);
  return found;
}

LONG_PTR StyleOf(HWND window) {
  return GetWindowLongPtrA(window, GWL_STYLE);
}

std::vector<HWND> ButtonsLeftToRight(HWND dialog) {
  std::vector<HWND> buttons = Children(dialog, "Button");
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return buttons;
}

std::vector<HWND> TextStatics(HWND dialog) {
  std::vector<HWND> texts;
  for (HWND control : Children(dialog, "Static")) {
    const LONG_PTR type = StyleOf(control) & SS_TYPEMASK;
    if (type != SS_ICON && type != SS_BITMAP && type != SS_ENHMETAFILE) texts.push_back(control);
  }
  return texts;
}

HWND IconStatic(HWND dialog) {
  for (HWND control : Children(dialog, "Static"))
    if ((StyleOf(control) & SS_TYPEMASK) == SS_ICON) return control;
  return nullptr;
}

std::string JoinedHex(const std::vector<HWND>& windows) {
  std::string joined;
  for (HWND window : windows) {
    if (!joined.empty()) joined += ',';
    joined += Hex(TextOf(window));
  }
  return joined;
}

// How far the icon on the screen is from `icon` drawn the way a static draws it.
double IconDistance(const Canvas& shown, HICON icon) {
  Canvas drawn(shown.width, shown.height);
  if (!drawn.Ok()) return 1e9;
  const HBRUSH background = CreateSolidBrush(
      RGB((shown.pixels[0] >> 16) & 255, (shown.pixels[0] >> 8) & 255, shown.pixels[0] & 255));
  RECT all{0, 0, shown.width, shown.height};
  FillRect(drawn.dc, &all, background);
  DeleteObject(background);
  DrawIconEx(drawn.dc, 0, 0, icon, shown.width, shown.height, 0, nullptr, DI_NORMAL);
  GdiFlush();
  double sum = 0;
  const int count = shown.width * shown.height;
  for (int i = 0; i < count; ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((shown.pixels[i] >> shift) & 255) -
                      static_cast<int>((drawn.pixels[i] >> shift) & 255));
  return sum / (3.0 * count);
}

// The icon is another process's handle, so it is recognised by its pixels on the screen: the
// system icon that draws closest to them.
std::string IconKind(HWND dialog) {
  const HWND control = IconStatic(dialog);
  if (control == nullptr) return "none";
  RECT rect;
  GetWindowRect(control, &rect);
  Canvas shown(rect.right - rect.left, rect.bottom - rect.top);
  if (shown.width <= 0 || shown.height <= 0 || !shown.Ok()) return "none";
  shown.CopyScreen(rect.left, rect.top);

  struct Kind {
    LPCSTR id;
    const char* name;
  };
  static const Kind kinds[] = {{IDI_HAND, "error"},
                               {IDI_ASTERISK, "information"},
                               {IDI_QUESTION, "question"},
                               {IDI_EXCLAMATION, "warning"},
                               {IDI_APPLICATION, "application"}};
  std::string best = "unknown";
  double best_distance = 8.0;  // mean difference per colour channel still taken as a match
  for (const Kind& kind : kinds) {
    const double distance = IconDistance(shown, LoadIconA(nullptr, kind.id));
    if (distance < best_distance) {
      best_distance = distance;
      best = kind.name;
    }
  }
  return best;
}

bool WriteAll(HANDLE file, const void* bytes, DWORD count) {
  DWORD written = 0;
  return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

// The whole screen as a 24-bit bottom-up .bmp.
bool SaveScreenshot(const std::string& path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  Canvas screen(width, height);
  if (!screen.Ok()) return false;
  screen.CopyScreen(0, 0);

  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<unsigned char> rows(static_cast<std::size_t>(stride) * height);
  for (int y = 0; y < height; ++y) {
    unsigned char* row = &rows[static_cast<std::size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = screen.pixels[static_cast<std::size_t>(y) * width + x];
      row[3 * x] = pixel & 255;
      row[3 * x + 1] = (pixel >> 8) & 255;
      row[3 * x + 2] = (pixel >> 16) & 255;
    }
  }
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(rows.size());
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + info.biSizeImage;

  Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.value != nullptr && WriteAll(file.value, &header, sizeof header) &&
         WriteAll(file.value, &info, sizeof info) &&
         WriteAll(file.value, rows.data(), static_cast<DWORD>(rows.size()));
}

void PressEscape(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND target = dialog;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) &&
      info.hwndFocus != nullptr)
    target = info.hwndFocus;
  // Scan code 1; the key-up carries the previous-state and transition bits.
  PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

bool ClickButton(HWND dialog, const std::string& label) {
  for (HWND button : ButtonsLeftToRight(dialog)) {
    if (TextOf(button) == label) {
      PostMessageA(button, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

// Returns what was done, for the report.
std::string Answer(HWND dialog, const std::string& answer) {
  if (answer == "none") return "none";
  if (answer == "esc") {
    PressEscape(dialog);
    return "esc";
  }
  if (answer == "close") {
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    return "close";
  }
  return ClickButton(dialog, answer) ? "click " + Hex(answer) : "no-such-button " + Hex(answer);
}

// Lets the dialog finish setting itself up and paint before it is read from the screen.
void LetSettle(HWND dialog) {
  DWORD_PTR ignored;
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  Sleep(300);
}

struct Watch {
  const Options& options;
  DWORD process;
  std::set<HWND> seen;
  std::size_t dialogs = 0;
  bool form_seen = false;
  bool taskbar_done = false;
  DWORD minimised_since = 0;  // tick when the application window was first seen waiting
};

// A busy machine may paint the dialog late: the icon is looked at again for a while.
std::string SettledIconKind(HWND dialog) {
  std::string kind = IconKind(dialog);
  for (int tries = 0; kind == "unknown" && tries < 20; ++tries) {
    Sleep(150);
    kind = IconKind(dialog);
  }
  return kind;
}

void ReportDialog(Watch& watch, HWND dialog) {
  const std::size_t number = ++watch.dialogs;
  LetSettle(dialog);
  const std::string icon = SettledIconKind(dialog);
  std::printf("dialog %zu phase=%s caption=%s text=%s buttons=%s icon=%s\n", number,
              watch.form_seen ? "after-form" : "before-form", Hex(TextOf(dialog)).c_str(),
              JoinedHex(TextStatics(dialog)).c_str(), JoinedHex(ButtonsLeftToRight(dialog)).c_str(),
              icon.c_str());
  if (!watch.options.shots.empty()) {
    const std::string path = watch.options.shots + "\\dialog" + std::to_string(number) + ".bmp";
    std::printf("screenshot %zu %s\n", number, SaveScreenshot(path) ? "saved" : "failed");
  }
  const std::string answer = number <= watch.options.answers.size()
                                 ? watch.options.answers[number - 1]
                                 : std::string("none");
  std::printf("answer %zu %s\n", number, Answer(dialog, answer).c_str());
  std::fflush(stdout);
}

void AnswerNewDialogs(Watch& watch) {
  for (HWND dialog : VisibleDialogs(watch.process)) {
    if (watch.seen.insert(dialog).second) ReportDialog(watch, dialog);
  }
  // A handle may be reused by a later dialog once this one is gone.
  std::erase_if(watch.seen, [](HWND dialog) { return !IsWindow(dialog); });
}

// The taskbar's part: once the program waits as a minimised button with no dialog open, restore
// or close it after a moment.
void ActAsTaskbar(Watch& watch) {
  if (watch.options.taskbar.empty() || watch.taskbar_done) return;
  const HWND application = ApplicationWindow(watch.process);
  if (application == nullptr || !IsIconic(application) || !VisibleDialogs(watch.process).empty()) {
    watch.minimised_since = 0;
    return;
  }
  if (watch.minimised_since == 0) {
    watch.minimised_since = GetTickCount();
    std::printf("taskbar minimised title=%s\n", Hex(TextOf(application)).c_str());
    std::fflush(stdout);
    return;
  }
  if (GetTickCount() - watch.minimised_since < 1000) return;
  const WPARAM command = watch.options.taskbar == "close" ? SC_CLOSE : SC_RESTORE;
  PostMessageA(application, WM_SYSCOMMAND, command, 0);
  std::printf("taskbar %s\n", watch.options.taskbar.c_str());
  std::fflush(stdout);
  watch.taskbar_done = true;
}

std::vector<Handle> HoldFiles(const std::vector<std::string>& paths) {
  std::vector<Handle> held;
  for (const std::string& path : paths) {
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    std::printf("hold %s %s\n", Hex(path).c_str(), file.value != nullptr ? "open" : "failed");
    held.push_back(std::move(file));
  }
  return held;
}

// A job that ends what is left in it when the driver ends: no stray game stays behind.
Handle MakeJob() {
  Handle job(CreateJobObjectA(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job.value, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// The program and everything it starts share one job, so the game it launches is waited for too.
bool Start(const Options& options, HANDLE job, PROCESS_INFORMATION& started) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (options.show != "none") {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(std::atoi(options.show.c_str()));
  }
  std::string command_line = "\"" + options.program + "\"";
  if (!CreateProcessA(options.program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED, nullptr,
                      options.directory.empty() ? nullptr : options.directory.c_str(), &startup,
                      &started))
    return false;
  if (!AssignProcessToJobObject(job, started.hProcess)) std::printf("job unavailable\n");
  ResumeThread(started.hThread);
  return true;
}

DWORD Remaining(DWORD start, DWORD timeout_ms) {
  if (timeout_ms == 0) return INFINITE;
  const DWORD spent = GetTickCount() - start;
  return spent >= timeout_ms ? 0 : timeout_ms - spent;
}

// Watches until the program ends; false when it had to be killed.
bool WatchUntilExit(const Options& options, HANDLE process, DWORD process_id, DWORD start) {
  Watch watch{options, process_id, {}};
  for (;;) {
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return true;
    if (Remaining(start, options.timeout_ms) == 0) return false;
    if (FormVisible(process_id)) watch.form_seen = true;
    AnswerNewDialogs(watch);
    ActAsTaskbar(watch);
  }
}

// Waits for the programs the installer started (the game) to end; reports how many ran in all.
void WaitForJob(HANDLE job, DWORD start, DWORD timeout_ms) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  for (;;) {
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                   nullptr))
      return;
    if (info.ActiveProcesses == 0) break;
    if (Remaining(start, timeout_ms) == 0) {
      std::printf("timeout: started programs killed\n");
      TerminateJobObject(job, 1);
      break;
    }
    Sleep(50);
  }
  std::printf("processes %lu\n", static_cast<unsigned long>(info.TotalProcesses));
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--show" && has_value) {
      options.show = argv[++i];
    } else if (arg == "--cwd" && has_value) {
      options.directory = argv[++i];
    } else if (arg == "--hold" && has_value) {
      options.held.push_back(argv[++i]);
    } else if (arg == "--answer" && has_value) {
      options.answers.push_back(argv[++i]);
    } else if (arg == "--shots" && has_value) {
      options.shots = argv[++i];
    } else if (arg == "--taskbar" && has_value) {
      options.taskbar = argv[++i];
    } else if (arg == "--timeout" && has_value) {
      options.timeout_ms = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
    } else if (arg.rfind("--", 0) != 0 && options.program.empty()) {
      options.program = arg;
    } else {
      return false;
    }
  }
  return !options.program.empty();
}

}  // namespace

int main(int argc, char** argv) {
  // Unbuffered: a driver that dies part-way still shows how far it got.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: wine_driver [--show N|none] [--cwd DIR] [--hold PATH]... "
                 "[--answer LABEL|esc|close|none]... [--shots DIR] [--taskbar restore|close] "
                 "[--timeout SECONDS] PROGRAM\n");
    return 2;
  }
  // Wine starts its desktop process for the first program that needs it; started from here it
  // stays out of the program's job.
  GetDesktopWindow();
  const std::vector<Handle> held = HoldFiles(options.held);
  const Handle job = MakeJob();

  PROCESS_INFORMATION started{};
  const DWORD start = GetTickCount();
  if (!Start(options, job.value, started)) {
    std::printf("start failed %lu\n", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);
  std::printf("started show=%s\n", options.show.c_str());
  std::fflush(stdout);

  if (!WatchUntilExit(options, process.value, started.dwProcessId, start)) {
    TerminateProcess(process.value, 255);
    WaitForSingleObject(process.value, 5000);
    std::printf("timeout: killed after %lu s\n",
                static_cast<unsigned long>(options.timeout_ms / 1000));
  }
  DWORD exit_code = 0;
  GetExitCodeProcess(process.value, &exit_code);
  std::printf("exit %lu\n", static_cast<unsigned long>(exit_code));
  // Give the programs it started the same span again, at least ten seconds.
  WaitForJob(job.value, GetTickCount(),
             options.timeout_ms == 0 ? 0 : std::max<DWORD>(options.timeout_ms, 10000));
  std::fflush(stdout);
  return 0;
}
