// The Win32 backend's windows and process facts, live: the application window and what the
// taskbar does to it, form windows and their painting, the message loop, the start-up show
// state, and resources.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/backend.h"
#include "forms/exceptions.h"
#include "mkform/form_writer.h"

namespace {

constexpr char kChildVariable[] = "OPRAVA_REPORT_SHOW_STATE";

// Started again by the show-state test: the exit code is what the backend read.
[[maybe_unused]] const bool kReportedShowState = [] {
  if (GetEnvironmentVariableA(kChildVariable, nullptr, 0) != 0)
    ExitProcess(static_cast<UINT>(backend::StartupShowState()));
  return false;
}();

// A form of the test's own, stored in the test's resources (TPLAINFORM): borderless, at 20, 30,
// 64 x 48, counting its show events.
class TPlainForm : public TForm {
 public:
  TPlainForm() : TForm("TPlainForm") {
    DeclareHandler("FormShow", [this](TObject*) { ++shows; });
  }
  int shows = 0;
};

// The stored main form read by a class of the test's own: its picture, none of its handlers' work.
class TPictureForm : public TForm {
 public:
  TPictureForm() : TForm("TForm1") {
    DeclareField("Image1", Image1);
    DeclareHandler("FormCreate", [](TObject*) {});
    DeclareHandler("FormShow", [](TObject*) {});
  }
  TImage* Image1 = nullptr;
};

HWND Hwnd(backend::WindowHandle handle) {
  return static_cast<HWND>(handle);
}

std::string ClassOf(HWND window) {
  char name[64];
  const int length = GetClassNameA(window, name, sizeof name);
  return std::string(name, length > 0 ? length : 0);
}

DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
}

RECT RectOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect;
}

bool QuitPosted() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class Win32BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    application_ = std::make_unique<TApplication>();
    Application = application_.get();
  }
  void TearDown() override {
    QuitPosted();  // none may outlive its test
    Application = nullptr;
    application_.reset();
  }
  static HWND ApplicationWindow() { return Hwnd(Application->Handle()); }

 private:
  std::unique_ptr<TApplication> application_;
};

TEST(ApplicationWindow, HiddenOfNoSizeAtTheScreenCentreCarryingTheTitle) {
  const std::string title =
      "\xC8"
      "e\x9Atina";  // "Čeština" in Windows-1250
  HWND window = Hwnd(backend::CreateApplicationWindow(title));
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), "TApplication");
  EXPECT_EQ(StyleOf(window), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS |
                                                WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  const RECT rect = RectOf(window);
  EXPECT_EQ(rect.left, GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_EQ(rect.top, GetSystemMetrics(SM_CYSCREEN) / 2);
  EXPECT_EQ(rect.right, rect.left);
  EXPECT_EQ(rect.bottom, rect.top);
  EXPECT_EQ(backend::WindowText(window), title);
  EXPECT_FALSE(IsIconic(window));
  backend::DestroyWindow(window);
  EXPECT_FALSE(IsWindow(window));
}

TEST(ApplicationWindow, TextIsReadUpTo255Characters) {
  HWND window = Hwnd(backend::CreateApplicationWindow(std::string(300, 'x')));
  EXPECT_EQ(backend::WindowText(window), std::string(255, 'x'));
  backend::DestroyWindow(window);
}

TEST_F(Win32BackendTest, TaskbarMinimiseAndRestoreReachTheApplication) {
  TPlainForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_EQ(Application->MainForm(), form);

  // Started minimised: only the taskbar button, the form not shown.
  Application->Minimize();
  EXPECT_TRUE(IsWindowVisible(ApplicationWindow()));
  EXPECT_TRUE(IsIconic(ApplicationWindow()));
  EXPECT_EQ(form->shows, 0);

  SendMessageA(ApplicationWindow(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(ApplicationWindow()));
  EXPECT_EQ(form->shows, 1);
  EXPECT_TRUE(IsWindowVisible(Hwnd(form->Handle())));

  // Restore of a window that is not minimised is the system's.
  SendMessageA(ApplicationWindow(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(form->shows, 1);

  SendMessageA(ApplicationWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(ApplicationWindow()));
  EXPECT_FALSE(QuitPosted());
}

TEST_F(Win32BackendTest, TaskbarCloseClosesTheMainFormWithoutShowingItAndKeepsTheWindow) {
  struct Case {
    const char* name;
    UINT message;
    WPARAM wparam;
  };
  for (const Case& each :
       {Case{"close command", WM_SYSCOMMAND, SC_CLOSE}, Case{"close message", WM_CLOSE, 0}}) {
    SCOPED_TRACE(each.name);
    TearDown();
    SetUp();
    TPlainForm* form = nullptr;
    Application->CreateForm(form);
    Application->Minimize();

    SendMessageA(ApplicationWindow(), each.message, each.wparam, 0);
    EXPECT_TRUE(QuitPosted());
    EXPECT_TRUE(IsWindow(ApplicationWindow()));
    EXPECT_EQ(form->shows, 0);
  }
}

TEST_F(Win32BackendTest, FormWindowIsBorderlessOwnedHiddenAtItsDesignedBounds) {
  TPlainForm* form = nullptr;
  Application->CreateForm(form);
  HWND window = Hwnd(form->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ClassOf(window), "TPlainForm");
  // No caption, frame or system menu. (The system adds WS_CLIPSIBLINGS to a top-level window.)
  EXPECT_EQ(StyleOf(window) & ~WS_CLIPSIBLINGS, static_cast<DWORD>(WS_POPUP | WS_CLIPCHILDREN));
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), ApplicationWindow());
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(form));
  RECT rect = RectOf(window);
  EXPECT_EQ(rect.left, 20);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right, 20 + 64);
  EXPECT_EQ(rect.bottom, 30 + 48);

  form->SetWidth(0);
  form->SetHeight(0);
  rect = RectOf(window);
  EXPECT_EQ(rect.left, 20);
  EXPECT_EQ(rect.top, 30);
  EXPECT_EQ(rect.right, 20);
  EXPECT_EQ(rect.bottom, 30);
}

TEST_F(Win32BackendTest, FormThatIsNotTheMainOneIsShownAndHiddenAndClosedByItsWindow) {
  TPlainForm* main_form = nullptr;
  TPlainForm* other = nullptr;
  Application->CreateForm(main_form);
  Application->CreateForm(other);
  HWND window = Hwnd(other->Handle());

  other->Show();
  EXPECT_EQ(other->shows, 1);
  EXPECT_TRUE(IsWindowVisible(window));
  backend::HideWindow(window);
  EXPECT_FALSE(IsWindowVisible(window));
  backend::ShowFormWindow(window, backend::kShowNormal);
  EXPECT_TRUE(IsWindowVisible(window));

  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(QuitPosted());

  // The main form's window closed: the application ends.
  SendMessageA(Hwnd(main_form->Handle()), WM_CLOSE, 0, 0);
  EXPECT_TRUE(QuitPosted());
}

TEST_F(Win32BackendTest, MessageLoopDispatchesWhatWasPostedAndEndsAtTheQuitMessage) {
  TPlainForm* main_form = nullptr;
  TPlainForm* other = nullptr;
  Application->CreateForm(main_form);
  Application->CreateForm(other);
  other->Show();

  PostMessageA(Hwnd(other->Handle()), WM_CLOSE, 0, 0);
  backend::PostQuitMessage(0);
  backend::RunMessageLoop();
  EXPECT_FALSE(IsWindowVisible(Hwnd(other->Handle())));
  EXPECT_FALSE(QuitPosted());
}

// The picture's top-left 153 x 137 pixels (the image's size) as grey levels; the stored rows are
// bottom-up, so image row y is stored row 1999 - y.
std::uint8_t Grey(int x, int y) {
  return static_cast<std::uint8_t>(1 + (x + 3 * y) % 250);
}

TEST_F(Win32BackendTest, FormPaintsItsImageInPlaceFromThePixelMemoryOnButtonFace) {
  const formwriter::Bytes entry = {'M', 'Z'};
  formwriter::Bytes block = formwriter::BuildPixelBlock({entry, entry, entry, entry});
  for (int y = 0; y < 170; ++y) {
    for (int x = 0; x < 192; ++x) block[(1999 - y) * 2000 + x] = Grey(x, y);
  }
  const formwriter::Bytes resource = formwriter::BuildStoredForm(
      formwriter::BuildPictureData("TBitmap", formwriter::BuildBitmapFile(block)));
  TPictureForm form;
  form.ReadState(resource);
  ASSERT_NE(form.Image1, nullptr);
  form.HandleNeeded();
  HWND window = Hwnd(form.Handle());
  ASSERT_NE(window, nullptr);
  backend::ShowFormWindow(window, backend::kShowNormal);

  HDC dc = GetDC(window);
  // The picture's grey levels where the image is; beyond its 153 x 137 the form's colour.
  for (const POINT at :
       {POINT{0, 0}, POINT{152, 0}, POINT{0, 136}, POINT{152, 136}, POINT{77, 50}}) {
    SCOPED_TRACE(std::to_string(at.x) + ", " + std::to_string(at.y));
    const int grey = Grey(at.x, at.y);
    EXPECT_EQ(GetPixel(dc, at.x, at.y), RGB(grey, grey, grey));
  }
  for (const POINT at : {POINT{153, 0}, POINT{0, 137}, POINT{191, 169}}) {
    SCOPED_TRACE(std::to_string(at.x) + ", " + std::to_string(at.y));
    EXPECT_EQ(GetPixel(dc, at.x, at.y), GetSysColor(COLOR_BTNFACE));
  }
  ReleaseDC(window, dc);
}

TEST(Process, StartupShowStateIsWhatTheStarterPassed) {
  struct Case {
    const char* name;
    bool use_show_window;
    WORD show_window;
    DWORD expected;
  };
  const Case cases[] = {
      {"none passed", false, SW_HIDE, SW_SHOWDEFAULT},
      {"normal", true, SW_SHOWNORMAL, SW_SHOWNORMAL},
      {"maximised", true, SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
      {"minimised without activation", true, SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE},
  };
  const std::string self = backend::ExecutableFileName();
  SetEnvironmentVariableA(kChildVariable, "1");
  for (const Case& each : cases) {
    SCOPED_TRACE(each.name);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = each.use_show_window ? STARTF_USESHOWWINDOW : 0;
    startup.wShowWindow = each.show_window;
    PROCESS_INFORMATION process{};
    std::string command_line = "\"" + self + "\"";
    ASSERT_TRUE(CreateProcessA(self.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 30000);
    DWORD exit_code = 0;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exit_code, each.expected);
  }
  SetEnvironmentVariableA(kChildVariable, nullptr);
}

TEST(Process, ExecutableFileNameIsTheFullPathOfTheRunningProgram) {
  const std::string path = backend::ExecutableFileName();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  const std::string name = "\\win32_backend_test.exe";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(backend::AnsiLowerCase(path.substr(path.size() - name.size())), name);
}

TEST(Process, AnsiLowerCaseFollowsTheAnsiCodePage) {
  // "ČESKÁ VERZE Ř" in Windows-1250.
  EXPECT_EQ(backend::AnsiLowerCase("\xC8"
                                   "ESK\xC1 VERZE \xD8"),
            "\xE8"
            "esk\xE1 verze \xF8");
  EXPECT_EQ(backend::AnsiLowerCase(""), "");
  EXPECT_EQ(backend::AnsiLowerCase("Oprava.EXE"), "oprava.exe");
}

TEST(Resources, FormResourceIsTheLoadedResourceInPlace) {
  const std::span<const std::uint8_t> bytes = backend::FindFormResource("TESTDATA");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "TPF0 in place");
  // Where the loader mapped the executable: nothing was copied.
  const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleA(nullptr));
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  EXPECT_GE(bytes.data(), base);
  EXPECT_LE(bytes.data() + bytes.size(), base + headers->OptionalHeader.SizeOfImage);
}

TEST(Resources, MissingResourceRaisesResNotFound) {
  try {
    backend::FindFormResource("TNOSUCHFORM");
    ADD_FAILURE() << "no error raised";
  } catch (const EResNotFound& error) {
    EXPECT_EQ(error.Message(), "Resource TNOSUCHFORM not found");
  }
}

}  // namespace
