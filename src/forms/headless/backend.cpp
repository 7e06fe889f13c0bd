// The host's stand-in for the windowing system: windows are records, dialogs are answered by
// the handlers tests set, and every operation is logged in order.
#include "forms/backend.h"

#include <cctype>
#include <cstdint>
#include <deque>
#include <map>

#include "forms/application.h"
#include "forms/dialogs.h"
#include "forms/exceptions.h"
#include "forms/form.h"
#include "forms/headless/headless.h"

namespace {

struct Window {
  std::string text;
};

struct State {
  int show_state = backend::kShowDefault;
  std::string executable = "C:\\Oprava.exe";
  std::map<std::string, std::span<const std::uint8_t>> resources;
  std::function<int(const TMessageDialogForm&)> dialog_handler;
  std::function<void(const std::string&, const std::string&)> error_box_handler;
  std::deque<headless::TaskbarAction> taskbar;
  std::vector<std::string> events;
  std::map<std::intptr_t, Window> windows;
  std::intptr_t next_window = 1;
  bool quit_posted = false;
  bool stalled = false;
};

State& Current() {
  static State state;
  return state;
}

backend::WindowHandle NewWindow(std::string text) {
  State& state = Current();
  const std::intptr_t id = state.next_window++;
  state.windows[id] = {std::move(text)};
  return reinterpret_cast<backend::WindowHandle>(id);
}

std::intptr_t IdOf(backend::WindowHandle window) {
  return reinterpret_cast<std::intptr_t>(window);
}

void Dispatch(headless::TaskbarAction action) {
  try {
    if (action == headless::TaskbarAction::Restore) {
      Application->Restore();
    } else {
      Application->CloseFromTaskbar();
    }
  } catch (...) {
    Application->HandleException();
  }
}

}  // namespace

namespace headless {

void Reset() {
  Current() = State{};
}
void SetStartupShowState(int show_state) {
  Current().show_state = show_state;
}
void SetExecutableFileName(const std::string& path) {
  Current().executable = path;
}
void SetFormResource(const std::string& name, std::span<const std::uint8_t> bytes) {
  Current().resources[name] = bytes;
}
void SetDialogHandler(std::function<int(const TMessageDialogForm&)> handler) {
  Current().dialog_handler = std::move(handler);
}
void SetErrorBoxHandler(std::function<void(const std::string&, const std::string&)> handler) {
  Current().error_box_handler = std::move(handler);
}
void QueueTaskbarAction(TaskbarAction action) {
  Current().taskbar.push_back(action);
}
const std::vector<std::string>& Events() {
  return Current().events;
}
void AddEvent(std::string event) {
  Current().events.push_back(std::move(event));
}
bool MessageLoopStalled() {
  return Current().stalled;
}

}  // namespace headless

namespace backend {

void RestrictDllSearch() {
  headless::AddEvent("RestrictDllSearch");
}

int StartupShowState() {
  return Current().show_state;
}
std::string ExecutableFileName() {
  return Current().executable;
}

std::string AnsiLowerCase(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

WindowHandle CreateApplicationWindow(const std::string& title) {
  headless::AddEvent("CreateApplicationWindow " + title);
  return NewWindow(title);
}

void ShowApplicationWindow(WindowHandle, int show_command) {
  headless::AddEvent("ShowApplicationWindow " + std::to_string(show_command));
}

std::string WindowText(WindowHandle window) {
  auto found = Current().windows.find(IdOf(window));
  return found == Current().windows.end() ? std::string() : found->second.text.substr(0, 255);
}

WindowHandle CreateFormWindow(TForm& form, WindowHandle) {
  headless::AddEvent("CreateFormWindow " + std::to_string(form.Left) + "," +
                     std::to_string(form.Top) + " " + std::to_string(form.Width()) + "x" +
                     std::to_string(form.Height()));
  return NewWindow(form.Caption);
}

void SetWindowBounds(WindowHandle, int left, int top, int width, int height) {
  headless::AddEvent("SetWindowBounds " + std::to_string(left) + "," + std::to_string(top) + " " +
                     std::to_string(width) + "x" + std::to_string(height));
}

void ShowFormWindow(WindowHandle, int show_command) {
  headless::AddEvent("ShowFormWindow " + std::to_string(show_command));
}

void HideWindow(WindowHandle) {
  headless::AddEvent("HideWindow");
}

void DestroyWindow(WindowHandle window) {
  Current().windows.erase(IdOf(window));
}

void PostQuitMessage(int exit_code) {
  headless::AddEvent("PostQuitMessage " + std::to_string(exit_code));
  Current().quit_posted = true;
}

void RunMessageLoop() {
  State& state = Current();
  state.stalled = false;
  for (;;) {
    if (state.quit_posted) {
      state.quit_posted = false;
      headless::AddEvent("Quit");
      return;
    }
    if (state.taskbar.empty()) {
      // A real loop would wait for input; here nothing more can come.
      state.stalled = true;
      headless::AddEvent("Stalled");
      return;
    }
    const headless::TaskbarAction action = state.taskbar.front();
    state.taskbar.pop_front();
    Dispatch(action);
  }
}

int ShowMessageDialog(const TMessageDialogForm& form, WindowHandle) {
  headless::AddEvent("MessageDialog " + form.Caption);
  return Current().dialog_handler ? Current().dialog_handler(form) : mrCancel;
}

void ShowErrorBox(WindowHandle, const std::string& text, const std::string& caption) {
  headless::AddEvent("ErrorBox " + caption);
  if (Current().error_box_handler) Current().error_box_handler(text, caption);
}

void ShowLastChanceBox(const std::string& text) {
  headless::AddEvent("LastChanceBox " + text);
}

std::span<const std::uint8_t> FindFormResource(const std::string& name) {
  auto found = Current().resources.find(name);
  if (found == Current().resources.end()) throw EResNotFound("Resource " + name + " not found");
  return found->second;
}

}  // namespace backend
