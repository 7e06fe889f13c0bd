// The message dialog and the error boxes, live: each is shown for real, read back from its
// windows by the dialog script and answered with real input.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/backend.h"
#include "forms/dialogs.h"
#include "forms/win32/message_dialog.h"
#include "support/dialog_script.h"

namespace {

// Windows-1250 bytes: "Oprava byla úspěšně aplikována. Přejete si spustit hru?"
const std::string kQuestion =
    "Oprava byla \xFAsp\xEC\x9An\xEC aplikov\xE1na. P\xF8"
    "ejete si spustit hru?";
// "Oprava může být aplikována výhradně na českou verzi hry Duskhollow!"
const std::string kError =
    "Oprava m\xF9\x9E"
    "e b\xFDt aplikov\xE1na v\xFDhradn\xEC na \xE8"
    "eskou verzi hry Duskhollow!";

// What the test sees of a dialog of this thread once it has been set up, beside what the
// script reads: where things are, who owns it, what has the focus, and what else is enabled.
struct Seen {
  RECT dialog{};
  RECT client{};  // in screen coordinates
  RECT text{};
  std::vector<RECT> buttons;  // left to right
  HWND owner = nullptr;
  bool owner_visible = false;
  int focus_id = 0;
  bool focus_is_default = false;
  bool other_enabled = true;
};

class DialogProbe {
 public:
  // `other`: a window whose enabled state is read. `press_enter`: Enter is posted to the focused
  // control as soon as the dialog is set up.
  explicit DialogProbe(HWND other = nullptr, bool press_enter = false)
      : other_(other), press_enter_(press_enter) {
    active_ = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterCall, nullptr, GetCurrentThreadId());
  }
  ~DialogProbe() {
    UnhookWindowsHookEx(hook_);
    active_ = nullptr;
  }
  DialogProbe(const DialogProbe&) = delete;
  DialogProbe& operator=(const DialogProbe&) = delete;

  const std::vector<Seen>& Dialogs() const { return seen_; }

 private:
  static LRESULT CALLBACK AfterCall(int code, WPARAM wparam, LPARAM lparam) {
    const auto& call = *reinterpret_cast<const CWPRETSTRUCT*>(lparam);
    if (code == HC_ACTION && call.message == WM_INITDIALOG) active_->Read(call.hwnd);
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  void Read(HWND dialog) {
    Seen seen;
    GetWindowRect(dialog, &seen.dialog);
    GetClientRect(dialog, &seen.client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&seen.client), 2);
    HWND text = GetDlgItem(dialog, backend::win32::kMessageDialogTextId);
    if (text == nullptr) text = GetDlgItem(dialog, 0xFFFF);
    GetWindowRect(text, &seen.text);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char name[16];
      GetClassNameA(child, name, sizeof name);
      if (lstrcmpiA(name, "Button") != 0) continue;
      RECT rect;
      GetWindowRect(child, &rect);
      auto at = seen.buttons.begin();
      while (at != seen.buttons.end() && at->left < rect.left) ++at;
      seen.buttons.insert(at, rect);
    }
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.owner_visible = seen.owner != nullptr && IsWindowVisible(seen.owner);
    HWND focus = GetFocus();
    seen.focus_id = focus != nullptr ? GetDlgCtrlID(focus) : 0;
    seen.focus_is_default =
        focus != nullptr && (GetWindowLongPtrA(focus, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
    seen.other_enabled = other_ == nullptr || IsWindowEnabled(other_);
    seen_.push_back(seen);
    if (press_enter_ && focus != nullptr) {
      PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
    }
  }

  static DialogProbe* active_;
  HWND other_;
  bool press_enter_;
  HHOOK hook_ = nullptr;
  std::vector<Seen> seen_;
};
DialogProbe* DialogProbe::active_ = nullptr;

int Width(const RECT& rect) {
  return rect.right - rect.left;
}
int Height(const RECT& rect) {
  return rect.bottom - rect.top;
}

// An ordinary visible window of the program, active and focused, beside the dialogs.
class OtherWindow {
 public:
  OtherWindow()
      : window_(CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {
    SetActiveWindow(window_);
    SetFocus(window_);
  }
  ~OtherWindow() { DestroyWindow(window_); }
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  HWND Handle() const { return window_; }

 private:
  HWND window_;
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application_ = std::make_unique<TApplication>();
    Application = application_.get();
  }
  void TearDown() override {
    Application = nullptr;
    application_.reset();
  }
  static HWND ApplicationWindow() { return static_cast<HWND>(Application->Handle()); }

 private:
  std::unique_ptr<TApplication> application_;
};

struct DialogForm {
  const char* name;
  TMsgDlgType type;
  TMsgDlgButtons buttons;
  const std::string& text;
  const char* caption;
  std::vector<std::string> labels;
  int icon;
  int default_result;
};

const DialogForm kErrorForm{"error", mtError, mbOK, kError, "Error", {"OK"}, IconHand, mrOk};
const DialogForm kQuestionForm{"question",    mtInformation,   mbYes | mbNo, kQuestion,
                               "Information", {"&Yes", "&No"}, IconAsterisk, mrYes};

TEST_F(DialogTest, EachFormShowsItselfAndEachWayToCloseItGivesItsResult) {
  struct Case {
    const DialogForm& form;
    const char* answer_name;
    DialogAnswer answer;
    int expected;
  };
  const Case cases[] = {
      {kQuestionForm, "Yes", Click("&Yes"), mrYes},
      {kQuestionForm, "No", Click("&No"), mrNo},
      {kQuestionForm, "Esc", Escape(), mrNo},
      {kQuestionForm, "close box", CloseBox(), mrCancel},
      {kErrorForm, "OK", Click("OK"), mrOk},
      {kErrorForm, "Esc", Escape(), mrOk},
      {kErrorForm, "close box", CloseBox(), mrCancel},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(std::string(each.form.name) + " answered by " + each.answer_name);
    DialogScript script({each.answer});
    const int result = MessageDlg(each.form.text, each.form.type, each.form.buttons);
    EXPECT_EQ(result, each.expected);
    ASSERT_EQ(script.Shown().size(), 1u);
    const ShownDialog& shown = script.Shown()[0];
    EXPECT_FALSE(shown.ErrorBox);
    EXPECT_EQ(shown.Caption, each.form.caption);
    EXPECT_EQ(shown.Text, each.form.text);
    EXPECT_EQ(shown.Buttons, each.form.labels);
    EXPECT_EQ(shown.Icon, each.form.icon);
    EXPECT_EQ(shown.Result, result);
  }
}

TEST_F(DialogTest, DefaultButtonHasTheFocusAndAnswersEnter) {
  for (const DialogForm* form : {&kQuestionForm, &kErrorForm}) {
    SCOPED_TRACE(form->name);
    DialogScript script({});
    DialogProbe probe(nullptr, /*press_enter=*/true);
    EXPECT_EQ(MessageDlg(form->text, form->type, form->buttons), form->default_result);
    ASSERT_EQ(probe.Dialogs().size(), 1u);
    EXPECT_EQ(probe.Dialogs()[0].focus_id, form->default_result);
    EXPECT_TRUE(probe.Dialogs()[0].focus_is_default);
    EXPECT_EQ(script.Shown().at(0).Result, form->default_result);
  }
}

TEST_F(DialogTest, CentredOnTheScreenTextWrappedWithinHalfItsWidthButtonsCentredBelow) {
  std::string long_text;
  for (int i = 0; i < 8; ++i) long_text += kError + " " + kQuestion + " ";
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);

  struct Case {
    const char* name;
    std::string text;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
  };
  const Case cases[] = {
      {"short question", kQuestion, mtInformation, mbYes | mbNo},
      {"long error", long_text, mtError, mbOK},
      {"one word", "OK", mtError, mbOK},
  };
  std::vector<int> text_heights;
  for (const Case& each : cases) {
    SCOPED_TRACE(each.name);
    DialogScript script({});
    DialogProbe probe;
    MessageDlg(each.text, each.type, each.buttons);
    ASSERT_EQ(probe.Dialogs().size(), 1u);
    const Seen& seen = probe.Dialogs()[0];
    EXPECT_EQ(script.Shown().at(0).Text, each.text);

    EXPECT_LE(std::abs((seen.dialog.left + seen.dialog.right) - screen_width), 1);
    EXPECT_LE(std::abs((seen.dialog.top + seen.dialog.bottom) - screen_height), 1);
    EXPECT_LE(Width(seen.text), screen_width / 2);
    EXPECT_GT(Height(seen.text), 0);
    text_heights.push_back(Height(seen.text));

    ASSERT_FALSE(seen.buttons.empty());
    const RECT& first = seen.buttons.front();
    const RECT& last = seen.buttons.back();
    EXPECT_GE(first.top, seen.text.bottom);
    EXPECT_LE(last.bottom, seen.client.bottom);
    EXPECT_LE(std::abs((first.left - seen.client.left) - (seen.client.right - last.right)), 1);
    EXPECT_GE(seen.text.left, seen.client.left);
    EXPECT_LE(seen.text.right, seen.client.right);
  }
  // The long text fills its half of the screen and takes many lines; the others one.
  EXPECT_GT(text_heights[1], 5 * text_heights[0]);
  EXPECT_EQ(text_heights[2], text_heights[0]);
}

// Both modal boxes, through the calls the program makes.
struct ModalBox {
  const char* name;
  std::function<void()> show;
};

std::vector<ModalBox> ModalBoxes() {
  return {
      {"message dialog", [] { MessageDlg(kQuestion, mtInformation, mbYes | mbNo); }},
      {"error box",
       [] { backend::ShowErrorBox(Application->Handle(), kError, Application->Title()); }},
  };
}

TEST_F(DialogTest, ApplicationWindowIsOwnerAndGivesTheTaskbarButtonWhileABoxIsOpen) {
  for (const ModalBox& box : ModalBoxes()) {
    SCOPED_TRACE(box.name);
    ASSERT_FALSE(IsWindowVisible(ApplicationWindow()));
    {
      DialogScript script({});
      DialogProbe probe;
      box.show();
      ASSERT_EQ(probe.Dialogs().size(), 1u);
      EXPECT_EQ(probe.Dialogs()[0].owner, ApplicationWindow());
      EXPECT_TRUE(probe.Dialogs()[0].owner_visible);
    }
    EXPECT_FALSE(IsWindowVisible(ApplicationWindow()));

    // Shown already (the main form is up): it stays shown.
    ShowWindow(ApplicationWindow(), SW_SHOWNOACTIVATE);
    {
      DialogScript script({});
      box.show();
    }
    EXPECT_TRUE(IsWindowVisible(ApplicationWindow()));
    ShowWindow(ApplicationWindow(), SW_HIDE);
  }
}

TEST_F(DialogTest, OtherWindowsAreDisabledWhileABoxIsOpenAndActiveAgainAfter) {
  for (const ModalBox& box : ModalBoxes()) {
    SCOPED_TRACE(box.name);
    OtherWindow other;
    ASSERT_EQ(GetActiveWindow(), other.Handle());
    {
      DialogScript script({});
      DialogProbe probe(other.Handle());
      box.show();
      ASSERT_EQ(probe.Dialogs().size(), 1u);
      EXPECT_FALSE(probe.Dialogs()[0].other_enabled);
    }
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_EQ(GetActiveWindow(), other.Handle());
    EXPECT_EQ(GetFocus(), other.Handle());
  }
}

TEST_F(DialogTest, ErrorBoxIsTheSystemBoxWithOneOkButtonAndTheErrorIcon) {
  for (const DialogAnswer& answer : {Click("OK"), Escape(), CloseBox()}) {
    SCOPED_TRACE(answer.kind);
    DialogScript script({answer});
    backend::ShowErrorBox(Application->Handle(), kError, "dialog_test");
    ASSERT_EQ(script.Shown().size(), 1u);
    const ShownDialog& shown = script.Shown()[0];
    EXPECT_TRUE(shown.ErrorBox);
    EXPECT_EQ(shown.Caption, "dialog_test");
    EXPECT_EQ(shown.Text, kError);
    EXPECT_EQ(shown.Buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(shown.Icon, IconHand);
    EXPECT_EQ(shown.Result, mrOk);
  }
}

TEST_F(DialogTest, ApplicationReportsAnErrorInTheErrorBoxCaptionedWithItsTitle) {
  DialogScript script({Click("OK")});
  Application->ShowException(EFOpenError("Cannot open file C:\\WINDOWS\\Duskhollow.dr"));
  ASSERT_EQ(script.Shown().size(), 1u);
  EXPECT_TRUE(script.Shown()[0].ErrorBox);
  EXPECT_EQ(script.Shown()[0].Caption, "dialog_test");
  EXPECT_EQ(script.Shown()[0].Text, "Cannot open file C:\\WINDOWS\\Duskhollow.dr.");
}

TEST_F(DialogTest, LastChanceBoxIsCaptionedApplicationError) {
  DialogScript script({Click("OK")});
  backend::ShowLastChanceBox("Exception EReadError in module x.exe.\n\nStream read error.");
  ASSERT_EQ(script.Shown().size(), 1u);
  const ShownDialog& shown = script.Shown()[0];
  EXPECT_TRUE(shown.ErrorBox);
  EXPECT_EQ(shown.Caption, "Application Error");
  EXPECT_EQ(shown.Text, "Exception EReadError in module x.exe.\n\nStream read error.");
  EXPECT_EQ(shown.Buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(shown.Icon, IconHand);
}

TEST_F(DialogTest, DialogsBeyondTheScriptAreClosedByTheirCloseBox) {
  DialogScript script({Click("&Yes")});
  EXPECT_EQ(MessageDlg(kQuestion, mtInformation, mbYes | mbNo), mrYes);
  EXPECT_EQ(MessageDlg(kQuestion, mtInformation, mbYes | mbNo), mrCancel);
  backend::ShowErrorBox(Application->Handle(), kError, "dialog_test");
  ASSERT_EQ(script.Shown().size(), 3u);
  EXPECT_EQ(script.Shown()[0].Result, mrYes);
  EXPECT_EQ(script.Shown()[1].Result, mrCancel);
  EXPECT_TRUE(script.Shown()[2].ErrorBox);
}

}  // namespace
