// The host's stand-ins for what only Windows has: WINDIR, the read-only bit, a short write and
// the start of a program.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "services/services.h"
#include "support/temp_dir.h"

namespace {

class HostServices : public ::testing::Test {
 protected:
  TempDir dir;
};

// Sets WINDIR, or unsets it, for one scope.
class ScopedWindir {
 public:
  explicit ScopedWindir(const std::optional<std::string>& value) {
    if (const char* old = getenv("WINDIR")) old_ = old;
    if (value) {
      setenv("WINDIR", value->c_str(), 1);
    } else {
      unsetenv("WINDIR");
    }
  }
  ~ScopedWindir() {
    if (old_) {
      setenv("WINDIR", old_->c_str(), 1);
    } else {
      unsetenv("WINDIR");
    }
  }

 private:
  std::optional<std::string> old_;
};

TEST_F(HostServices, WindowsDirectoryComesFromWindirAndMustFitTheBuffer) {
  const struct {
    std::optional<std::string> windir;
    std::optional<std::string> expected;
  } cases[] = {
      {std::nullopt, std::nullopt},
      {"", std::nullopt},
      {"C:\\WINDOWS", "C:\\WINDOWS"},
      {"/tmp/win/", "/tmp/win/"},
      {std::string(999, 'w'), std::string(999, 'w')},  // 999 bytes and the terminator fit
      {std::string(1000, 'w'), std::nullopt},
  };
  for (const auto& c : cases) {
    ScopedWindir windir(c.windir);
    EXPECT_EQ(WindowsDirectory(), c.expected) << (c.windir ? c.windir->size() : 0);
  }
}

// On the host the read-only bit is the owner's write permission. Deleting never needed it, so
// the check is that clearing it leaves the file writable and removable.
TEST_F(HostServices, SetNormalAttributesMakesAReadOnlyFileWritable) {
  const std::string path = dir.WriteFile("Duskhollow.exe", "MZ");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  SetNormalAttributes(path);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A file size limit cuts a write short without an error: only the count shows it, and the bytes
// that went out stay in the file.
TEST_F(HostServices, AShortWriteShowsOnlyInTheCount) {
  const std::string path = dir.Path("short.bin");
  const std::string bytes(100, 'x');
  std::int32_t first = -1, second = -1;
  {
    TFileStream file(path, TFileStream::fmCreate);
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 10;
    const auto savedHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    first = file.Write(bytes.data(), 100);
    second = file.Write(bytes.data(), 100);  // at the limit: the write fails outright
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);
  }
  EXPECT_EQ(first, 10);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(dir.ReadFile("short.bin"), std::string(10, 'x'));
}

// The program gets its path alone, as given, and the working directory given. A script
// with a shebang stands in for the game: it records "$0", the count of arguments and the
// directory it runs in, then renames the record into place so that it is read whole. It is
// written through TFileStream, as the extraction writes the game.
TEST_F(HostServices, StartProgramRunsThePathAloneWithoutWaiting) {
  {
    const std::string script = dir.Path("with space/game");
    dir.MakeDir("with space");
    TFileStream file(script, TFileStream::fmCreate);
    const std::string text =
        "#!/bin/sh\n"
        "d=\"${0%/*}\"\n"
        "printf '%s\\n' \"$0\" \"$#\" \"$PWD\" > \"$d/launch.tmp\"\n"
        "mv \"$d/launch.tmp\" \"$d/launch.txt\"\n";
    ASSERT_EQ(file.Write(text.data(), static_cast<std::int32_t>(text.size())),
              static_cast<std::int32_t>(text.size()));
  }
  {
    const std::string script = dir.Path("with space/game");
    StartProgram(script, dir.Path("with space") + "\\");

    const std::string record = dir.Path("with space/launch.txt");
    for (int i = 0; i < 100 && !std::filesystem::exists(record); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(std::filesystem::exists(record)) << "the program did not run";
    EXPECT_EQ(dir.ReadFile("with space/launch.txt"),
              script + "\n0\n" + dir.Path("with space") + "\n");
    std::filesystem::remove(record);
  }
}

TEST_F(HostServices, StartProgramOfAMissingProgramReportsNothing) {
  StartProgram(dir.Path("missing"), dir.Path(""));
  StartProgram(dir.MakeDir("folder"), dir.Path(""));
  StartProgram(dir.Path("missing"), dir.Path("no such folder"));
}

}  // namespace
