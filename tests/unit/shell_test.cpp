// The program from start to exit on the headless backend: the order of the run, the error box,
// the title, the start-up show states and the exit codes.
#include <gtest/gtest.h>

#include <algorithm>

#include "forms/application.h"
#include "forms/headless/headless.h"
#include "forms/texts.h"
#include "patch/patch_messages.h"
#include "services/services.h"
#include "shell/form1.h"
#include "shell/program.h"
#include "support/dialog_script.h"
#include "support/installation.h"
#include "support/test_form.h"

namespace {

using Events = std::vector<std::string>;

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : resource_(formwriter::BuildFormResource(SmallEntries())) {
    headless::Reset();
    headless::SetExecutableFileName("C:\\Temp\\Oprava.exe");
    headless::SetFormResource("TFORM1", resource_);
  }
  ~ShellTest() override { headless::Reset(); }

  static Events Without(const std::string& prefix) {
    Events kept;
    for (const std::string& event : headless::Events()) {
      if (event.rfind(prefix, 0) != 0) kept.push_back(event);
    }
    return kept;
  }

  formwriter::Bytes resource_;
  TestInstallation install_;  // no pointer file: the run ends with the not-installed message
};

TEST_F(ShellTest, PatchRunsHiddenFromTheCreationHandlerThenTheFormShowsAndCloses) {
  bool checked = false;
  headless::SetDialogHandler([&](const TMessageDialogForm&) {
    // Inside the patch run: Form1 is set, shrunk to nothing, its payload readable, no window yet.
    EXPECT_NE(Form1, nullptr);
    EXPECT_EQ(Form1->Width(), 0);
    EXPECT_EQ(Form1->Height(), 0);
    EXPECT_EQ(Form1->Image1->Picture.Bitmap()->Height(), 2000);
    EXPECT_EQ(Form1->Handle(), nullptr);
    checked = true;
    return static_cast<int>(mrOk);
  });

  EXPECT_EQ(ProgramMain(), 0);

  EXPECT_TRUE(checked);
  // The DLL search is restricted before anything else, the first window included.
  EXPECT_EQ(headless::Events(), (Events{
                                    "RestrictDllSearch",
                                    "CreateApplicationWindow Oprava",
                                    "MessageDialog Error",
                                    "CreateFormWindow 366,242 0x0",
                                    "ShowApplicationWindow 5",
                                    "PostQuitMessage 0",  // the show handler closes the form
                                    "ShowFormWindow 1",
                                    "Quit",
                                }));
  EXPECT_EQ(Form1, nullptr);  // gone with the application
}

// Reported once, in the error box captioned with the executable's title; then the form is shown
// and closed as usual.
TEST_F(ShellTest, ErrorLeavingThePatchRunIsReportedOnceAndTheProgramEndsNormally) {
  install_.InstallGame();
  install_.PointToGame();
  const std::pair<const char*, const char*> titles[] = {
      {"C:\\Temp\\Oprava.exe", "Oprava"},
      {"C:\\Temp\\VIDAZAZ.EXE", "Vidazaz"},
  };
  for (const auto& [executable, title] : titles) {
    SCOPED_TRACE(executable);
    headless::Reset();
    headless::SetExecutableFileName(executable);
    headless::SetFormResource("TFORM1", resource_);
    TFileStream other(install_.PointerPath(), TFileStream::fmOpenRead);
    DialogScript script({Click("OK")});

    EXPECT_EQ(ProgramMain(), 0);

    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_TRUE(script.Shown()[0].ErrorBox);
    EXPECT_EQ(script.Shown()[0].Text,
              "Cannot open file " + install_.WindowsDirectory() + "\\Duskhollow.dr.");
    EXPECT_EQ(script.Shown()[0].Caption, title);
    EXPECT_EQ(Without("ErrorBox").size() + 1, headless::Events().size());
    const Events& events = headless::Events();
    EXPECT_NE(std::find(events.begin(), events.end(), "ShowFormWindow 1"), events.end());
    EXPECT_EQ(events.back(), "Quit");
  }
}

TEST_F(ShellTest, StartupShowStates) {
  const struct {
    int show_state;
    std::vector<headless::TaskbarAction> taskbar;
    Events after_patch;  // from the creation of the form window on
  } cases[] = {
      {10, {}, {"ShowApplicationWindow 5", "PostQuitMessage 0", "ShowFormWindow 1", "Quit"}},
      {1, {}, {"ShowApplicationWindow 5", "PostQuitMessage 0", "ShowFormWindow 1", "Quit"}},
      {3, {}, {"ShowApplicationWindow 5", "PostQuitMessage 0", "ShowFormWindow 3", "Quit"}},
      // Minimised without activation: only the taskbar button, until restored or closed.
      {7, {}, {"ShowApplicationWindow 7", "Stalled"}},
      {7,
       {headless::TaskbarAction::Restore},
       {"ShowApplicationWindow 7", "ShowApplicationWindow 9", "ShowApplicationWindow 5",
        "PostQuitMessage 0", "ShowFormWindow 1", "Quit"}},
      {7,
       {headless::TaskbarAction::Close},
       {"ShowApplicationWindow 7", "PostQuitMessage 0", "Quit"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.show_state);
    headless::Reset();
    headless::SetFormResource("TFORM1", resource_);
    headless::SetStartupShowState(c.show_state);
    for (auto action : c.taskbar) headless::QueueTaskbarAction(action);
    DialogScript script({Click("OK")});

    EXPECT_EQ(ProgramMain(), 0);

    // The patch run comes first, whatever the show state.
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Text, PatchMessages::MsgNotInstalled);
    const Events& events = headless::Events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "RestrictDllSearch");
    EXPECT_EQ(events[2], "MessageDialog Error");
    EXPECT_EQ(Events(events.begin() + 4, events.end()), c.after_patch);
  }
}

TEST_F(ShellTest, FormThatCannotBeBuiltEndsWithTheLastChanceBoxAndExitCode1) {
  formwriter::Bytes truncated(resource_.begin(), resource_.begin() + 300);
  const struct {
    const char* name;
    bool has_resource;
    const char* error_class;
  } cases[] = {
      {"no resource", false, "EResNotFound"},
      {"truncated resource", true, "EReadError"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    headless::Reset();
    if (c.has_resource) headless::SetFormResource("TFORM1", truncated);
    DialogScript script({});

    EXPECT_EQ(ProgramMain(), 1);

    EXPECT_TRUE(script.Shown().empty());  // the patch run never started
    EXPECT_EQ(Form1, nullptr);
    const Events& events = headless::Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].rfind(std::string("LastChanceBox Exception ") + c.error_class, 0), 0u)
        << events[2];
  }
}

TEST(TextRulesTest, DefaultTitle) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Temp\\VIDAZAZ.EXE", "Vidazaz"},
      {"D:\\setup.final.exe", "setup"},
      {"C:\\Oprava.exe", "Oprava"},
      {"C:\\dir.x\\noext", "noext"},
      {"C:\\aBC.exe", "abc"},
      {"C:\\.hidden.exe", ""},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(DefaultApplicationTitle(path), title) << path;
}

TEST(TextRulesTest, ErrorBoxFullStop) {
  const std::pair<std::string, std::string> cases[] = {
      {"Done.", "Done."}, {"Stop!", "Stop!"}, {"(x)", "(x)"},    {"a,", "a,"},
      {"a-", "a-"},       {"a ", "a "},       {"word", "word."}, {"Why?", "Why?."},
      {"a:", "a:."},      {"9", "9."},        {"\xE8", "\xE8."}, {"", ""},
  };
  for (const auto& [message, text] : cases) EXPECT_EQ(ErrorBoxText(message), text) << message;
}

TEST(MessageDialogFormTest, ErrorAndQuestionForms) {
  const TMessageDialogForm error = MakeMessageDialogForm("x", mtError, mbOK);
  EXPECT_EQ(error.Caption, "Error");
  EXPECT_EQ(error.Icon, IconHand);
  ASSERT_EQ(error.Buttons.size(), 1u);
  EXPECT_EQ(error.Buttons[0].Label, "OK");
  EXPECT_EQ(error.Buttons[0].Result, mrOk);
  EXPECT_EQ(error.DefaultButton, 0);
  EXPECT_EQ(error.EscapeResult, mrOk);

  const TMessageDialogForm question = MakeMessageDialogForm("y", mtInformation, mbYes | mbNo);
  EXPECT_EQ(question.Caption, "Information");
  EXPECT_EQ(question.Icon, IconAsterisk);
  ASSERT_EQ(question.Buttons.size(), 2u);
  EXPECT_EQ(question.Buttons[0].Label, "&Yes");
  EXPECT_EQ(question.Buttons[0].Result, mrYes);
  EXPECT_EQ(question.Buttons[1].Label, "&No");
  EXPECT_EQ(question.Buttons[1].Result, mrNo);
  EXPECT_EQ(question.DefaultButton, 0);
  EXPECT_EQ(question.EscapeResult, mrNo);
}

}  // namespace
