// The patch run against an installation on disk: the checks in their order, the one message
// each outcome shows, what is on disk afterwards, and the game start.
#include <gtest/gtest.h>

#include <filesystem>

#include "forms/dialogs.h"
#include "forms/exceptions.h"
#include "patch/patch.h"
#include "patch/patch_messages.h"
#include "services/services.h"
#include "support/dialog_script.h"
#include "support/installation.h"
#include "support/launches.h"
#include "support/platform.h"
#include "support/test_form.h"

namespace {

using namespace PatchMessages;

std::array<formwriter::Bytes, 4> Entries() {
  return {GameProgram(), AsBytes("new tutorial"), AsBytes(std::string("new 25\0\xFF", 9)),
          AsBytes("[Game]\r\nnew=1\r\n")};
}

const char* const kTargets[] = {"Duskhollow.exe", "Data/tutorial", "Data/25", "Game.ini"};

class RunPatchTest : public ::testing::Test {
 protected:
  RunPatchTest() : form_(Entries()) {}

  void ExpectOnly(const DialogScript& script, const char* text, const char* caption) {
    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Text, text);
    EXPECT_EQ(script.Shown()[0].Caption, caption);
    EXPECT_FALSE(script.Shown()[0].ErrorBox);
  }

  void ExpectPatched() {
    const auto entries = Entries();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(install_.Read(kTargets[i]), AsString(entries[i])) << i;
  }

  std::string LaunchLog() const { return install_.Path("launched.txt"); }

  TestInstallation install_;
  TestForm form_;
};

// Each failing check shows its one message and leaves everything as it was.
struct CheckCase {
  const char* name;
  void (*arrange)(const TestInstallation&);
  const char* message;
};

const CheckCase kCheckCases[] = {
    {"no pointer file", [](const TestInstallation& i) { i.InstallGame(); }, MsgNotInstalled},
    {"pointer file is a directory",
     [](const TestInstallation& i) {
       i.InstallGame();
       std::filesystem::create_directory(i.PointerPath());
     },
     MsgNotInstalled},
    {"empty pointer file",
     [](const TestInstallation& i) {
       i.InstallGame();
       i.WritePointer("");
     },
     MsgNotInstalled},
    {"pointer ends in CR LF, kept verbatim",
     [](const TestInstallation& i) {
       i.InstallGame();
       i.WritePointer(i.GameDirectory() + "\r\n");
     },
     MsgNotInstalled},
    {"no executable, marker present",
     [](const TestInstallation& i) {
       i.InstallGame(false, true);
       i.PointToGame();
     },
     MsgNotInstalled},
    {"no executable, no marker",
     [](const TestInstallation& i) {
       i.InstallGame(false, false);
       i.PointToGame();
     },
     MsgNotInstalled},
    {"executable without the edition marker",
     [](const TestInstallation& i) {
       i.InstallGame(true, false);
       i.PointToGame();
     },
     MsgCzechOnly},
    {"edition marker is a directory",
     [](const TestInstallation& i) {
       i.InstallGame(true, false);
       i.Temp().MakeDir("Games/Duskhollow/Data/21");
       i.PointToGame();
     },
     MsgCzechOnly},
};

TEST_F(RunPatchTest, FailingCheckShowsItsMessageAndChangesNothing) {
  for (const CheckCase& c : kCheckCases) {
    SCOPED_TRACE(c.name);
    TestInstallation install;
    c.arrange(install);
    const auto before = install.Snapshot();
    DialogScript script({Click("OK")});

    RunPatch();

    ASSERT_EQ(script.Shown().size(), 1u);
    EXPECT_EQ(script.Shown()[0].Text, c.message);
    EXPECT_EQ(script.Shown()[0].Caption, "Error");
    EXPECT_EQ(script.Shown()[0].Buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(install.Snapshot(), before);
  }
}

TEST_F(RunPatchTest, PointerWithOrWithoutFinalBackslashGivesTheSameGameDir) {
  install_.InstallGame();
  const std::string expected = install_.GameDirectory() + "\\";
  for (const std::string& pointer : {install_.GameDirectory(), install_.GameDirectory() + "\\"}) {
    SCOPED_TRACE(pointer);
    install_.WritePointer(pointer);
    DialogScript script({Click("&No")});
    RunPatch();
    EXPECT_EQ(GameDir, expected);
    EXPECT_EQ(WindowsDir, install_.WindowsDirectory() + "\\");
    ExpectOnly(script, MsgAppliedRunGame, "Information");
  }
}

TEST_F(RunPatchTest, FileHeldOpenElsewhereRaisesOpenError) {
  install_.InstallGame();
  install_.PointToGame();
  struct Held {
    const char* name;
    std::string path;     // where the other program holds it
    std::string message;  // the path as the run names it
  };
  const Held held_files[] = {
      {"pointer file", install_.PointerPath(), install_.WindowsDirectory() + "\\Duskhollow.dr"},
      {"edition marker", install_.Path("Data/21"), install_.GameDirectory() + "\\Data/21"},
  };
  for (const Held& held : held_files) {
    SCOPED_TRACE(held.name);
    const auto before = install_.Snapshot();
    {
      TFileStream other(held.path, TFileStream::fmOpenRead);
      DialogScript script({});
      try {
        RunPatch();
        ADD_FAILURE() << "no error raised";
      } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message(), "Cannot open file " + held.message);
      }
      EXPECT_TRUE(script.Shown().empty());
    }
    EXPECT_EQ(install_.Snapshot(), before);
  }
}

// Every way of answering the question: the files are written either way; only Yes starts the game.
TEST_F(RunPatchTest, AppliesThePatchAndStartsTheGameOnlyOnYes) {
  const struct {
    DialogAnswer answer;
    int result;
    std::size_t launches;
  } cases[] = {
      {Click("&Yes"), mrYes, 1},
      {Click("&No"), mrNo, 0},
      {Escape(), mrNo, 0},
      {CloseBox(), mrCancel, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    TestInstallation install;
    install.InstallGame();
    install.PointToGame();
    DialogScript script({c.answer});

    RunPatch();

    ASSERT_EQ(script.Shown().size(), 1u);
    const ShownDialog& question = script.Shown()[0];
    EXPECT_EQ(question.Text, MsgAppliedRunGame);
    EXPECT_EQ(question.Caption, "Information");
    EXPECT_EQ(question.Buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_EQ(question.Result, c.result);
    const auto entries = Entries();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(install.Read(kTargets[i]), AsString(entries[i])) << i;
    EXPECT_EQ(install.Read("Data/21"), "old 21");

    const auto launches =
        WaitForLaunches(install.Path("launched.txt"), c.launches, c.launches ? 10 : 0.5);
    ASSERT_EQ(launches.size(), c.launches);
    if (c.launches) {
      // The full path alone, unquoted; started in its own folder, not in the installer's
      // working directory.
      EXPECT_EQ(launches[0].CommandLine, install.Path("Duskhollow.exe"));
      EXPECT_EQ(launches[0].Directory, install.GameDirectory());
    }
  }
}

TEST_F(RunPatchTest, ReadOnlyExecutableIsReplacedAllTheSame) {
  install_.InstallGame();
  install_.PointToGame();
  std::filesystem::permissions(install_.Path("Duskhollow.exe"),
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  DialogScript script({Click("&No")});
  RunPatch();
  ExpectOnly(script, MsgAppliedRunGame, "Information");
  ExpectPatched();
}

TEST_F(RunPatchTest, ExecutableThatCannotBeDeletedStopsBeforeAnythingIsWritten) {
  install_.InstallGame();
  install_.PointToGame();
  {
    TFileStream running_game(install_.Path("Duskhollow.exe"), TFileStream::fmOpenRead);
    DialogScript script({Click("OK")});
    RunPatch();
    ExpectOnly(script, MsgApplyFailed, "Error");
  }
  EXPECT_EQ(install_.Read("Duskhollow.exe"), "old Duskhollow.exe");
  for (int i = 1; i < 4; ++i)
    EXPECT_EQ(install_.Read(kTargets[i]),
              std::string("old ") + std::filesystem::path(kTargets[i]).filename().string());
  EXPECT_TRUE(WaitForLaunches(LaunchLog(), 0, 0).empty());
}

TEST_F(RunPatchTest, EntryThatCannotBeWrittenStopsTheRunThere) {
  install_.InstallGame();
  install_.PointToGame();
  {
    // Entry 2's target is held open by another program.
    TFileStream held(install_.Path("Data/25"), TFileStream::fmOpenRead);
    DialogScript script({Click("OK")});
    RunPatch();
    ExpectOnly(script, MsgApplyFailed, "Error");
  }
  const auto entries = Entries();
  EXPECT_EQ(install_.Read("Duskhollow.exe"), AsString(entries[0]));
  EXPECT_EQ(install_.Read("Data/tutorial"), AsString(entries[1]));
  EXPECT_EQ(install_.Read("Data/25"), "old 25");
  EXPECT_EQ(install_.Read("Game.ini"), "old Game.ini");
}

TEST_F(RunPatchTest, BrokenFirstEntryLeavesTheGameWithoutItsExecutable) {
  TestForm broken(ResourceWithRecord(Entries(), 0, 0, container::kEntryAreaBytes + 1));
  install_.InstallGame();
  install_.PointToGame();
  {
    DialogScript script({Click("OK")});
    RunPatch();
    ExpectOnly(script, MsgApplyFailed, "Error");
  }
  EXPECT_FALSE(install_.Exists("Duskhollow.exe"));
  EXPECT_EQ(install_.Read("Data/tutorial"), "old tutorial");
  EXPECT_EQ(install_.Read("Game.ini"), "old Game.ini");

  // Nothing is restored: the next run finds no game.
  DialogScript again({Click("OK")});
  RunPatch();
  ExpectOnly(again, MsgNotInstalled, "Error");
}

TEST_F(RunPatchTest, SecondRunOverAPatchedInstallationRepeatsEverything) {
  install_.InstallGame();
  install_.PointToGame();
  {
    DialogScript script({Click("&No")});
    RunPatch();
  }
  install_.Temp().WriteFile("Games/Duskhollow/Game.ini", "changed by the player");
  DialogScript script({Click("&No")});
  RunPatch();
  ExpectOnly(script, MsgAppliedRunGame, "Information");
  ExpectPatched();
}

}  // namespace
