// What only Windows has: the Windows directory, file attributes and the start of a program
// whose path holds a space.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "services/services.h"
#include "support/temp_dir.h"

namespace {

class WindowsServices : public ::testing::Test {
 protected:
  TempDir dir;
};

std::string ThisProgramsFolder() {
  char self[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self, length);
  folder.resize(folder.find_last_of('\\') + 1);
  return folder;
}

// Waits up to ten seconds for either file to appear.
void WaitForEither(const std::string& one, const std::string& other) {
  for (int i = 0; i < 200 && !std::filesystem::exists(one) && !std::filesystem::exists(other); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TEST_F(WindowsServices, WindowsDirectoryIsAnExistingDirectory) {
  const auto windows = WindowsDirectory();
  ASSERT_TRUE(windows.has_value());
  EXPECT_FALSE(windows->empty());
  EXPECT_NE(windows->back(), '\\');
  EXPECT_TRUE(std::filesystem::is_directory(*windows)) << *windows;
}

TEST_F(WindowsServices, SetNormalAttributesClearsReadOnlyHiddenAndSystem) {
  const std::string path = dir.WriteFile("Duskhollow.exe", "MZ");
  ASSERT_TRUE(SetFileAttributesA(
      path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_FALSE(RemoveFile(path));  // a read-only file cannot be deleted
  SetNormalAttributes(path);
  EXPECT_EQ(GetFileAttributesA(path.c_str()) &
                (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            0u);
  {
    TFileStream replaced(path, TFileStream::fmCreate);
    EXPECT_EQ(replaced.Write("new", 3), 3);
  }
  EXPECT_TRUE(RemoveFile(path));
}

// The program at the full path runs, never one found at a prefix of it cut at the space; it gets
// the path alone, unquoted, as its command line, a normal window and the directory given (ending
// in a backslash, as GameDir does) as its working directory.
TEST_F(WindowsServices, StartProgramRunsExactlyThePathGiven) {
  const std::string recorder = ThisProgramsFolder() + "record_launch.exe";
  ASSERT_TRUE(std::filesystem::exists(recorder)) << recorder;
  const std::string game = dir.MakeDir("with space") + "\\game.exe";
  const std::string planted = dir.Path("with.exe");
  ASSERT_TRUE(CopyFileA(recorder.c_str(), game.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(recorder.c_str(), planted.c_str(), FALSE));

  StartProgram(game, dir.Path("with space") + "\\");

  WaitForEither(dir.Path("with space\\launch.txt"), dir.Path("launch.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("launch.txt"))) << "the planted program ran";
  ASSERT_TRUE(std::filesystem::exists(dir.Path("with space\\launch.txt")))
      << "the program did not run";
  EXPECT_EQ(dir.ReadFile("with space\\launch.txt"),
            game + "\n" + dir.Path("with space") + "\n1\n" + std::to_string(SW_SHOWNORMAL) + "\n");

  // The program has ended once its file can be deleted; the directory can go after it.
  bool removed = false;
  for (int i = 0; i < 200 && !(removed = RemoveFile(game)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(removed);
}

TEST_F(WindowsServices, StartProgramOfAMissingProgramReportsNothing) {
  StartProgram(dir.Path("missing.exe"), dir.Path(""));
  StartProgram(dir.MakeDir("folder"), dir.Path(""));
  StartProgram(dir.Path("missing.exe"), dir.Path("no such folder"));
}

}  // namespace
