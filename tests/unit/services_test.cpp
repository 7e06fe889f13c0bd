// The file services as the patch run and the extraction rely on them, run against the real file
// system of the platform the test is built for.
#include "services/services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "forms/exceptions.h"
#include "support/temp_dir.h"

namespace {

// The exception a call raised, with its class and message; nothing when it raised none.
struct Raised {
  std::string ClassName;
  std::string Message;
};

template <typename Call>
std::optional<Raised> RaisedBy(Call call) {
  try {
    call();
  } catch (const Exception& error) {
    return Raised{error.ClassName(), error.Message()};
  }
  return std::nullopt;
}

std::optional<Raised> OpenRaises(const std::string& path, TFileStream::Mode mode) {
  return RaisedBy([&] { TFileStream file(path, mode); });
}

const char* ModeName(TFileStream::Mode mode) {
  return mode == TFileStream::fmCreate ? "fmCreate" : "fmOpenRead";
}

// The exact error an open in `mode` must raise for `path`.
Raised OpenError(const std::string& path, TFileStream::Mode mode) {
  if (mode == TFileStream::fmCreate) return {"EFCreateError", "Cannot create file " + path};
  return {"EFOpenError", "Cannot open file " + path};
}

void ExpectRaised(const std::optional<Raised>& raised, const Raised& expected) {
  ASSERT_TRUE(raised.has_value()) << "nothing raised, expected " << expected.Message;
  EXPECT_EQ(raised->ClassName, expected.ClassName);
  EXPECT_EQ(raised->Message, expected.Message);
}

// The bytes a pointer file may hold: kept as they are, none dropped or translated.
const std::string kAwkwardBytes =
    std::string("C:\\Hry\\Duskhollow \r\n\t\x80\x9a\xe8\xff", 20) + std::string(1, '\0') + "end";

class Services : public ::testing::Test {
 protected:
  TempDir dir;
};

// ---- exists test ----

TEST_F(Services, ExistsTestFollowsTheFirstEntryFound) {
  dir.WriteFile("game.exe", "x");
  dir.WriteFile("Data/21", "");
  dir.MakeDir("folder");
  dir.MakeDir("Data/sub");
  const std::string root = dir.Path("");
  const struct {
    std::string relative;
    bool exists;
  } cases[] = {
      {"game.exe", true},
      {"missing.exe", false},
      {"folder", false},  // a directory counts as missing
      {"Data/21", true},  // either separator
      {"Data\\21", true},
      {"Data/sub", false},
      {"Data\\sub\\..\\21", true},
      {"game.exe/", false},  // a trailing separator finds nothing
      {"game.exe\\", false},
      {"folder\\", false},
      {"game.*", true},  // wildcards in the last component
      {"gam?.exe", true},
      {"*.exe", true},
      {"g*", true},
      {"?ame.ex?", true},
      {"game.ex", false},  // no wildcard: the name must match whole
      {"f*", false},       // the only match is a directory
      {"Data\\?1", true},
      {"*.dll", false},
      {"nothing*", false},
      {"missing/game.exe", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(root + "/" + c.relative), c.exists) << c.relative;
  }
}

// A lookup of every name finds "." first, a directory: the test is false, as on Windows.
TEST_F(Services, ExistsTestOfAllNamesFindsTheDirectoryItself) {
  dir.WriteFile("game.exe", "x");
  EXPECT_FALSE(FileExists(dir.Path("*")));
  EXPECT_FALSE(FileExists(dir.Path("")));
  EXPECT_FALSE(FileExists(""));
}

// ---- open and create ----

TEST_F(Services, OpenForReadingRaisesForAMissingFileOrADirectory) {
  dir.MakeDir("folder");
  for (const std::string& path : {dir.Path("missing.txt"), dir.Path("folder")}) {
    ExpectRaised(OpenRaises(path, TFileStream::fmOpenRead),
                 OpenError(path, TFileStream::fmOpenRead));
    ExpectRaised(RaisedBy([&] { OpenAndClose(path); }), OpenError(path, TFileStream::fmOpenRead));
    ExpectRaised(RaisedBy([&] { ReadFileWhole(path); }), OpenError(path, TFileStream::fmOpenRead));
  }
}

TEST_F(Services, CreateRaisesForAMissingDirectoryOrADirectory) {
  dir.MakeDir("folder");
  for (const std::string& path : {dir.Path("missing/new.txt"), dir.Path("folder")}) {
    ExpectRaised(OpenRaises(path, TFileStream::fmCreate), OpenError(path, TFileStream::fmCreate));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder")));
}

// Neither mode shares: while one stream holds the file, every other open fails with its own
// error, and a create does not empty the file it could not get.
TEST_F(Services, AFileHeldOpenCannotBeOpenedAgain) {
  const TFileStream::Mode modes[] = {TFileStream::fmOpenRead, TFileStream::fmCreate};
  for (const auto holding : modes) {
    for (const auto opening : modes) {
      SCOPED_TRACE(std::string("held by ") + ModeName(holding) + ", opened by " +
                   ModeName(opening));
      const std::string path = dir.WriteFile("held.txt", "keep me");
      {
        TFileStream holder(path, holding);
        if (holding == TFileStream::fmCreate) holder.Write("kept", 4);
        ExpectRaised(OpenRaises(path, opening), OpenError(path, opening));
      }
      EXPECT_EQ(dir.ReadFile("held.txt"), holding == TFileStream::fmCreate ? "kept" : "keep me");
      // Released with the holder.
      EXPECT_FALSE(OpenRaises(path, opening).has_value());
    }
  }
}

TEST_F(Services, CreateEmptiesAnExistingFileOrMakesANewOne) {
  const std::string existing = dir.WriteFile("old.bin", "previous content");
  {
    TFileStream file(existing, TFileStream::fmCreate);
    EXPECT_EQ(file.Size(), 0);
  }
  EXPECT_EQ(dir.ReadFile("old.bin"), "");

  const std::string fresh = dir.Path("new.bin");
  {
    TFileStream file(fresh, TFileStream::fmCreate);
    EXPECT_EQ(file.Write("abc", 3), 3);
  }
  EXPECT_EQ(dir.ReadFile("new.bin"), "abc");
}

TEST_F(Services, BackslashesSeparateDirectoriesWhenOpening) {
  dir.MakeDir("Data");
  const std::string path = dir.Path("") + "\\Data\\21";
  {
    TFileStream file(path, TFileStream::fmCreate);
    EXPECT_EQ(file.Write("21", 2), 2);
  }
  EXPECT_EQ(dir.ReadFile("Data/21"), "21");
  EXPECT_EQ(ReadFileWhole(path), "21");
}

// ---- size, read, write ----

TEST_F(Services, AnEmptyFileHasSizeZeroAndReadsWholeAsEmpty) {
  const std::string path = dir.WriteFile("empty.dr", "");
  {
    TFileStream file(path, TFileStream::fmOpenRead);
    EXPECT_EQ(file.Size(), 0);
    char byte;
    EXPECT_EQ(file.Read(&byte, 1), 0);
  }
  EXPECT_EQ(ReadFileWhole(path), "");
  OpenAndClose(path);
}

TEST_F(Services, ReadFileWholeKeepsEveryByte) {
  const std::string path = dir.WriteFile("Duskhollow.dr", kAwkwardBytes);
  EXPECT_EQ(ReadFileWhole(path), kAwkwardBytes);
  // Closed again: the file can be opened at once.
  OpenAndClose(path);
}

TEST_F(Services, SizeRestoresThePosition) {
  const std::string path = dir.WriteFile("abc.txt", "abcdef");
  TFileStream file(path, TFileStream::fmOpenRead);
  char buffer[8] = {};
  ASSERT_EQ(file.Read(buffer, 2), 2);
  EXPECT_EQ(file.Size(), 6);
  ASSERT_EQ(file.Read(buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "cdef");
}

TEST_F(Services, WriteStoresTheBytesAndReportsTheCount) {
  const std::string path = dir.Path("out.bin");
  {
    TFileStream file(path, TFileStream::fmCreate);
    EXPECT_EQ(file.Write(kAwkwardBytes.data(), static_cast<std::int32_t>(kAwkwardBytes.size())),
              static_cast<std::int32_t>(kAwkwardBytes.size()));
    EXPECT_EQ(file.Size(), static_cast<std::int64_t>(kAwkwardBytes.size()));
    EXPECT_EQ(file.Write("", 0), 0);
  }
  EXPECT_EQ(dir.ReadFile("out.bin"), kAwkwardBytes);
}

// A write that fails shows only in its count: 0, never negative, and nothing raised.
TEST_F(Services, AFailedWriteReportsZero) {
  const std::string path = dir.WriteFile("readonly.bin", "abc");
  {
    TFileStream file(path, TFileStream::fmOpenRead);
    EXPECT_EQ(file.Write("xyz", 3), 0);
  }
  EXPECT_EQ(dir.ReadFile("readonly.bin"), "abc");
}

// ---- delete ----

TEST_F(Services, RemoveFileDeletesOnlyAFileNobodyHolds) {
  const std::string path = dir.WriteFile("Duskhollow.exe", "MZ");
  EXPECT_FALSE(RemoveFile(dir.Path("missing.exe")));
  EXPECT_FALSE(RemoveFile(dir.MakeDir("folder")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder")));
  {
    // The running game keeps its executable open.
    TFileStream holder(path, TFileStream::fmOpenRead);
    EXPECT_FALSE(RemoveFile(path));
  }
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_FALSE(RemoveFile(path));
}

TEST_F(Services, SetNormalAttributesOfAMissingFileDoesNothing) {
  SetNormalAttributes(dir.Path("missing.exe"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("missing.exe")));
}

}  // namespace
