// DialogScript on Windows: thread hooks read each live message dialog and error box of this
// thread once it has been set up, and answer it with real input, posted once the dialog is on
// the screen: a click on a button, the Esc key, or the close box.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "forms/dialogs.h"
#include "forms/win32/message_dialog.h"
#include "support/dialog_script.h"

namespace {

// The message box's text static; the icon static is found by its style.
constexpr int kMessageBoxTextId = 0xFFFF;
// Ticks until the dialog is visible; then the answer is posted.
constexpr UINT_PTR kAnswerTimer = 0x4453;
constexpr UINT kAnswerTickMs = 10;

struct OpenDialog {
  HWND dialog;
  DialogAnswer answer;
  bool error_box;
};

DialogScript* g_script = nullptr;
HHOOK g_after_call = nullptr;
HHOOK g_get_message = nullptr;
std::vector<OpenDialog> g_open;

std::string ClassOf(HWND window) {
  char name[64];
  const int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, length > 0 ? length : 0);
}

std::string TextOf(HWND window) {
  std::string text(GetWindowTextLengthA(window) + 1, '\0');
  const int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? length : 0);
  return text;
}

LONG_PTR StyleOf(HWND window) {
  return GetWindowLongPtrA(window, GWL_STYLE);
}

// The dialog's direct children of that class, in z order.
std::vector<HWND> Children(HWND dialog, const char* class_name) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (lstrcmpiA(ClassOf(child).c_str(), class_name) == 0) found.push_back(child);
  }
  return found;
}

// The buttons the dialog shows, left to right. (The dialog itself may not be visible yet.)
std::vector<HWND> ButtonsOf(HWND dialog) {
  std::vector<HWND> buttons;
  for (HWND button : Children(dialog, "Button")) {
    if ((StyleOf(button) & WS_VISIBLE) != 0) buttons.push_back(button);
  }
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return buttons;
}

int IconOf(HWND dialog) {
  for (HWND control : Children(dialog, "Static")) {
    if ((StyleOf(control) & SS_TYPEMASK) != SS_ICON) continue;
    const auto icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
    if (icon == nullptr) continue;
    // The system icons are shared: loading one again gives the same handle.
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(IconHand))) return IconHand;
    if (icon == LoadIconA(nullptr, MAKEINTRESOURCEA(IconAsterisk))) return IconAsterisk;
  }
  return 0;
}

OpenDialog* Find(HWND dialog) {
  for (OpenDialog& open : g_open) {
    if (open.dialog == dialog) return &open;
  }
  return nullptr;
}

// A dialog of this thread has been set up: if it is a message dialog or a message box, record
// what it shows and start waiting for it to appear.
void OnDialogReady(HWND dialog) {
  if (ClassOf(dialog) != "#32770") return;
  HWND text = GetDlgItem(dialog, backend::win32::kMessageDialogTextId);
  bool error_box = false;
  if (text == nullptr) {
    text = GetDlgItem(dialog, kMessageBoxTextId);
    error_box = true;
  }
  if (text == nullptr || lstrcmpiA(ClassOf(text).c_str(), "Static") != 0) return;

  ShownDialog shown;
  shown.ErrorBox = error_box;
  shown.Caption = TextOf(dialog);
  shown.Text = TextOf(text);
  for (HWND button : ButtonsOf(dialog)) shown.Buttons.push_back(TextOf(button));
  shown.Icon = IconOf(dialog);
  shown.Result = mrNone;
  g_script->Record(std::move(shown));
  g_open.push_back({dialog, g_script->NextAnswer(), error_box});
  SetTimer(dialog, kAnswerTimer, kAnswerTickMs, nullptr);
}

void PostKey(HWND target, WPARAM key) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), 0)) << 16;
  PostMessageA(target, WM_KEYDOWN, key, scan | 1);
  PostMessageA(target, WM_KEYUP, key, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

void Answer(const OpenDialog& open) {
  switch (open.answer.kind) {
    case DialogAnswer::Click:
      for (HWND button : ButtonsOf(open.dialog)) {
        if (TextOf(button) == open.answer.button) {
          PostMessageA(button, BM_CLICK, 0, 0);
          return;
        }
      }
      ADD_FAILURE() << "no button " << open.answer.button << " on " << TextOf(open.dialog);
      break;
    case DialogAnswer::Escape: {
      HWND focus = GetFocus();
      const bool inside = focus == open.dialog || IsChild(open.dialog, focus);
      PostKey(inside ? focus : open.dialog, VK_ESCAPE);
      return;
    }
    case DialogAnswer::CloseBox:
      break;
  }
  PostMessageA(open.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The dialog is going: its result is known by now.
void OnDialogDestroyed(HWND dialog) {
  OpenDialog* open = Find(dialog);
  if (open == nullptr) return;
  // The error box has one answer, OK, and its call returns nothing.
  int result = mrOk;
  if (!open->error_box) {
    const auto* data = reinterpret_cast<const backend::win32::MessageDialogData*>(
        GetWindowLongPtrA(dialog, DWLP_USER));
    result = data != nullptr ? data->result : mrNone;
  }
  // Dialogs of this program never nest: the one closing is the one recorded last.
  g_script->Last().Result = result;
  g_open.erase(g_open.begin() + (open - g_open.data()));
}

LRESULT CALLBACK AfterCall(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HC_ACTION && g_script != nullptr) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    switch (call.message) {
      case WM_INITDIALOG:
        OnDialogReady(call.hwnd);
        break;
      case WM_DESTROY:
        OnDialogDestroyed(call.hwnd);
        break;
    }
  }
  return CallNextHookEx(g_after_call, code, wparam, lparam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM removal, LPARAM lparam) {
  auto& message = *reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && removal == PM_REMOVE && message.message == WM_TIMER &&
      message.wParam == kAnswerTimer) {
    if (OpenDialog* open = Find(message.hwnd)) {
      // Until the dialog is on the screen and has its focus the timer keeps ticking.
      if (IsWindowVisible(open->dialog)) {
        KillTimer(open->dialog, kAnswerTimer);
        Answer(*open);
      }
      message.message = WM_NULL;
    }
  }
  return CallNextHookEx(g_get_message, code, removal, lparam);
}

}  // namespace

DialogScript::DialogScript(std::vector<DialogAnswer> answers) : answers_(std::move(answers)) {
  if (g_script != nullptr) ADD_FAILURE() << "two dialog scripts at once";
  g_script = this;
  g_after_call = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterCall, nullptr, GetCurrentThreadId());
  g_get_message = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
  if (g_after_call == nullptr || g_get_message == nullptr) ADD_FAILURE() << "hooks not installed";
}

DialogScript::~DialogScript() {
  if (g_after_call != nullptr) UnhookWindowsHookEx(g_after_call);
  if (g_get_message != nullptr) UnhookWindowsHookEx(g_get_message);
  for (const OpenDialog& open : g_open) KillTimer(open.dialog, kAnswerTimer);
  g_after_call = nullptr;
  g_get_message = nullptr;
  g_open.clear();
  g_script = nullptr;
}
