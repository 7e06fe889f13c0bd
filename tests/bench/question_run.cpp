#include "question_run.h"

#include <windows.h>
// psapi.h needs the types of windows.h first.
#include <psapi.h>

#include <utility>

namespace {

constexpr DWORD kQuestionTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 10000;

struct Handle {
  HANDLE value;
  explicit Handle(HANDLE h) : value(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (value != nullptr) CloseHandle(value);
  }
};

struct DialogSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<DialogSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.process || !IsWindowVisible(window)) return TRUE;
  char name[16];
  if (GetClassNameA(window, name, sizeof name) == 0 || lstrcmpA(name, "#32770") != 0) return TRUE;
  search.found = window;
  return FALSE;
}

HWND VisibleDialog(DWORD process) {
  DialogSearch search{process, nullptr};
  EnumWindows(TakeVisibleDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string DirectoryOf(const std::string& program) {
  const std::size_t slash = program.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : program.substr(0, slash);
}

double MillisecondsBetween(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

void Kill(HANDLE process) {
  TerminateProcess(process, 255);
  WaitForSingleObject(process, 5000);
}

QuestionRun Failed(std::string why) {
  QuestionRun run;
  run.failure = std::move(why);
  return run;
}

}  // namespace

QuestionRun RunToQuestion(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::string command_line = "\"" + program + "\"";
  const std::string directory = DirectoryOf(program);
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED, nullptr, directory.empty() ? nullptr : directory.c_str(),
                      &startup, &started))
    return Failed("cannot be started (error " + std::to_string(GetLastError()) + ")");
  const Handle process(started.hProcess);
  const Handle thread(started.hThread);

  // The clock starts with the program's own first instruction, not with the making of the
  // process, which costs both programs the same.
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  ResumeThread(thread.value);
  HWND dialog = nullptr;
  for (;;) {
    // The wait is the poll interval, and notices a program that ends without asking.
    if (WaitForSingleObject(process.value, 1) == WAIT_OBJECT_0)
      return Failed("ended without showing a dialog");
    dialog = VisibleDialog(started.dwProcessId);
    QueryPerformanceCounter(&now);
    if (dialog != nullptr) break;
    if (MillisecondsBetween(start, now) > kQuestionTimeoutMs) {
      Kill(process.value);
      return Failed("showed no dialog within 30 s; killed");
    }
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process.value, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof memory)) {
    Kill(process.value);
    return Failed("memory counters unavailable (error " + std::to_string(GetLastError()) + ")");
  }

  // Both programs give their No button the ID IDNO; a dialog without one (an error box) means
  // the program never got as far as the question.
  const HWND no = GetDlgItem(dialog, IDNO);
  if (no == nullptr) {
    Kill(process.value);
    return Failed("showed a dialog without a No button, not the question; killed");
  }
  PostMessageA(no, BM_CLICK, 0, 0);
  if (WaitForSingleObject(process.value, kExitTimeoutMs) != WAIT_OBJECT_0) {
    Kill(process.value);
    return Failed("did not end within 10 s of No; killed");
  }

  QuestionRun run;
  run.ok = true;
  run.milliseconds = MillisecondsBetween(start, now);
  // Windows gives the commit charge in both fields; Wine leaves PrivateUsage at 0 and fills
  // PagefileUsage with the process's anonymous memory, resident or swapped.
  run.private_bytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  return run;
}
