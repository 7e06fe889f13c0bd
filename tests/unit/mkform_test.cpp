// The mkform tool as the build runs it: the sample payload, the resource from four files or from a
// payload folder, writes only on change, and failures that leave no output behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "mkform/form_writer.h"
#include "mkform/payload_folder.h"
#include "patch/patch.h"
#include "payload/container.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class MkformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mkform_test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs mkform with `args`; its stderr is kept in Stderr().
  int Mkform(const std::vector<std::string>& args) {
    std::string command = "'" MKFORM_PATH "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " 2>'" + Path("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    stderr_ = ReadText(Path("stderr.txt"));
    fs::remove(Path("stderr.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Stderr() const { return stderr_; }

  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static std::string ReadText(const std::string& path) {
    const Bytes bytes = Read(path);
    return std::string(bytes.begin(), bytes.end());
  }
  static void Write(const std::string& path, const Bytes& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

  // Only these names in the directory, nothing left over.
  void ExpectOnly(const std::vector<std::string>& names) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_)) found.push_back(entry.path().filename());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, names);
  }

  fs::path dir_;
  std::string stderr_;
};

TEST_F(MkformTest, SampleAndResource) {
  ASSERT_EQ(Mkform({"--sample", Path("sample/nested")}), 0) << Stderr();
  std::vector<std::string> entries;
  for (int i = 0; i < 4; ++i) {
    entries.push_back(Path("sample/nested/entry" + std::to_string(i)));
    EXPECT_EQ(Read(entries.back()), formwriter::SampleEntry(i)) << "entry " << i;
  }

  ASSERT_EQ(Mkform({Path("tform1.bin"), entries[0], entries[1], entries[2], entries[3]}), 0)
      << Stderr();
  const Bytes resource = Read(Path("tform1.bin"));
  EXPECT_EQ(resource.size(), 4001463u);
  EXPECT_TRUE(resource == formwriter::BuildFormResource(
                              {formwriter::SampleEntry(0), formwriter::SampleEntry(1),
                               formwriter::SampleEntry(2), formwriter::SampleEntry(3)}));
  ExpectOnly({"sample", "tform1.bin"});
}

TEST_F(MkformTest, GameIsPaddedToEntryZero) {
  const Bytes game = {'M', 'Z', 1, 2, 3};
  Write(Path("game.exe"), game);
  ASSERT_EQ(Mkform({"--sample", Path("sample"), "--game", Path("game.exe")}), 0) << Stderr();
  Bytes expected = game;
  expected.resize(container::kBuiltEntrySizes[0], 0);
  EXPECT_TRUE(Read(Path("sample/entry0")) == expected);
  EXPECT_TRUE(Read(Path("sample/entry1")) == formwriter::SampleEntry(1));

  // A game of exactly the entry's size fits; one byte more does not.
  Write(Path("game.exe"), Bytes(container::kBuiltEntrySizes[0], 7));
  EXPECT_EQ(Mkform({"--sample", Path("exact"), "--game", Path("game.exe")}), 0) << Stderr();
  Write(Path("game.exe"), Bytes(container::kBuiltEntrySizes[0] + 1, 7));
  EXPECT_NE(Mkform({"--sample", Path("large"), "--game", Path("game.exe")}), 0);
  EXPECT_NE(Stderr().find("game.exe"), std::string::npos) << Stderr();
  EXPECT_FALSE(fs::exists(Path("large/entry0")));
}

TEST_F(MkformTest, FailuresLeaveNoOutput) {
  const std::int64_t area = container::kEntryAreaBytes;
  Write(Path("big"), Bytes(area - 1, 1));
  Write(Path("one"), Bytes(1, 2));
  Write(Path("two"), Bytes(2, 3));
  Write(Path("none"), Bytes());

  // Exactly the entry area fits.
  ASSERT_EQ(Mkform({Path("full.bin"), Path("big"), Path("one"), Path("none"), Path("none")}), 0)
      << Stderr();
  EXPECT_EQ(fs::file_size(Path("full.bin")), 4001463u);

  struct Case {
    const char* name;
    std::vector<std::string> entries;
    const char* message;
  };
  const Case cases[] = {
      {"one byte too many", {Path("big"), Path("two"), Path("none"), Path("none")}, "entry area"},
      {"missing entry", {Path("one"), Path("one"), Path("missing"), Path("one")}, "missing"},
      {"directory as entry", {Path("one"), Path("one"), Path("one"), dir_.string()}, "directory"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {Path("out.bin")};
    args.insert(args.end(), c.entries.begin(), c.entries.end());
    EXPECT_EQ(Mkform(args), 1) << c.name;
    EXPECT_NE(Stderr().find(c.message), std::string::npos) << c.name << ": " << Stderr();
    EXPECT_FALSE(fs::exists(Path("out.bin"))) << c.name;
    EXPECT_FALSE(fs::exists(Path("out.bin.tmp"))) << c.name;
  }

  // An output that cannot be written.
  EXPECT_EQ(
      Mkform({Path("no/such/dir/out.bin"), Path("one"), Path("one"), Path("one"), Path("one")}), 1);
  EXPECT_NE(Stderr().find("cannot create"), std::string::npos) << Stderr();
  ExpectOnly({"big", "full.bin", "none", "one", "two"});
}

// Four distinct files at their game paths in `folder`, and others that are not part of the payload.
std::array<Bytes, 4> LayGameFolder(const std::string& folder) {
  std::array<Bytes, 4> entries;
  for (int i = 0; i < 4; ++i) {
    entries[i] = Bytes(static_cast<std::size_t>(100 * i + 3), static_cast<std::uint8_t>('a' + i));
    std::filesystem::create_directories(folder + "/Data");
    std::ofstream(folder + "/" + payloadfolder::FolderPath(i), std::ios::binary)
        .write(reinterpret_cast<const char*>(entries[i].data()),
               static_cast<std::streamsize>(entries[i].size()));
  }
  std::ofstream(folder + "/Data/26") << "not in the payload";
  std::filesystem::create_directories(folder + "/Saves");
  return entries;
}

TEST(PayloadFolder, PlacesEachTargetWithForwardSlashes) {
  EXPECT_EQ(payloadfolder::FolderPath(0), "Duskhollow.exe");
  EXPECT_EQ(payloadfolder::FolderPath(1), "Data/tutorial");
  EXPECT_EQ(payloadfolder::FolderPath(2), "Data/25");
}

TEST_F(MkformTest, BuildsFromAPayloadFolder) {
  const std::array<Bytes, 4> entries = LayGameFolder(Path("game folder"));
  ASSERT_EQ(Mkform({Path("out put.bin"), "--payload", Path("game folder")}), 0) << Stderr();
  EXPECT_TRUE(Read(Path("out put.bin")) == formwriter::BuildFormResource(entries));
  EXPECT_EQ(Stderr(), "");

  // Exactly the entry area fits.
  Write(Path("game folder/Duskhollow.exe"), Bytes(container::kEntryAreaBytes - 609, 9));
  ASSERT_EQ(Mkform({Path("out put.bin"), "--payload", Path("game folder")}), 0) << Stderr();
  EXPECT_EQ(fs::file_size(Path("out put.bin")), 4001463u);
  ExpectOnly({"game folder", "out put.bin"});
}

TEST_F(MkformTest, WritesTheOutputOnlyWhenItsBytesChange) {
  LayGameFolder(Path("game"));
  const std::string out = Path("tform1.bin");
  ASSERT_EQ(Mkform({out, "--payload", Path("game")}), 0) << Stderr();
  const auto an_hour_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(out, an_hour_ago);

  // The same payload: the output keeps its date.
  ASSERT_EQ(Mkform({out, "--payload", Path("game")}), 0) << Stderr();
  EXPECT_EQ(fs::last_write_time(out), an_hour_ago);
  const Bytes entry_files[] = {Read(Path("game/Duskhollow.exe")), Read(Path("game/Data/tutorial")),
                               Read(Path("game/Data/25")), Read(Path("game/Game.ini"))};
  ASSERT_EQ(Mkform({out, Path("game/Duskhollow.exe"), Path("game/Data/tutorial"),
                    Path("game/Data/25"), Path("game/Game.ini")}),
            0);
  EXPECT_EQ(fs::last_write_time(out), an_hour_ago);

  // A changed file reaches the output even when its date is older than the output's.
  Write(Path("game/Game.ini"), Bytes(5, 'z'));
  fs::last_write_time(Path("game/Game.ini"), an_hour_ago - std::chrono::hours(1));
  ASSERT_EQ(Mkform({out, "--payload", Path("game")}), 0) << Stderr();
  EXPECT_NE(fs::last_write_time(out), an_hour_ago);
  EXPECT_TRUE(Read(out) == formwriter::BuildFormResource(
                               {entry_files[0], entry_files[1], entry_files[2], Bytes(5, 'z')}));
  ExpectOnly({"game", "tform1.bin"});
}

TEST_F(MkformTest, PayloadFolderFailuresLeaveNoOutput) {
  const std::string game = Path("game");
  struct Case {
    const char* name;
    std::function<void()> lay;  // makes `game` as the case needs it
    std::string message;        // the whole line mkform prints
  };
  const auto drop = [&](const char* relative) { fs::remove(game + "/" + relative); };
  const Case cases[] = {
      {"no folder", [] {}, "payload directory " + game + " does not exist"},
      {"a file for the folder", [&] { Write(game, Bytes(3, 1)); },
       "payload directory " + game + " is not a directory"},
      {"no Data/25",
       [&] {
         LayGameFolder(game);
         drop("Data/25");
       },
       game + ": missing Data/25"},
      {"an empty folder", [&] { fs::create_directory(game); },
       game + ": missing Duskhollow.exe, Data/tutorial, Data/25, Game.ini"},
      {"a dangling link",
       [&] {
         LayGameFolder(game);
         drop("Game.ini");
         fs::create_symlink(game + "/nowhere", game + "/Game.ini");
       },
       game + ": missing Game.ini"},
      {"a folder for Data/25",
       [&] {
         LayGameFolder(game);
         drop("Data/25");
         fs::create_directory(game + "/Data/25");
       },
       game + ": Data/25 is not a readable file"},
      {"two folders",
       [&] {
         LayGameFolder(game);
         drop("Duskhollow.exe");
         drop("Game.ini");
         fs::create_directory(game + "/Duskhollow.exe");
         fs::create_directory(game + "/Game.ini");
       },
       game + ": Duskhollow.exe, Game.ini are not readable files"},
      {"one byte too many",
       [&] {
         LayGameFolder(game);
         Write(game + "/Duskhollow.exe", Bytes(container::kEntryAreaBytes - 608, 9));
       },
       game + ": the four files take 3,999,969 bytes (Duskhollow.exe 3,999,360 + Data/tutorial 103 "
              "+ Data/25 203 + Game.ini 303); the installer holds at most 3,999,968"},
  };
  for (const Case& c : cases) {
    fs::remove_all(game);
    c.lay();
    // An output of an earlier run must not survive a failed one.
    Write(Path("out.bin"), Bytes(10, 1));
    EXPECT_EQ(Mkform({Path("out.bin"), "--payload", game}), 1) << c.name;
    EXPECT_EQ(Stderr(), "mkform: " + c.message + "\n") << c.name;
    EXPECT_FALSE(fs::exists(Path("out.bin"))) << c.name;
    EXPECT_FALSE(fs::exists(Path("out.bin.tmp"))) << c.name;
  }
}

TEST_F(MkformTest, WrongCommandLinesShowTheUsage) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"out.bin"},
      {"out.bin", "a", "b", "c"},
      {"out.bin", "a", "b", "c", "d", "e"},
      {"--sample"},
      {"--sample", "dir", "--game"},
      {"--sample", "dir", "--other", "file"},
      {"out.bin", "--payload"},
      {"out.bin", "--payload", "dir", "extra"},
      {"out.bin", "--other", "dir"},
      {"--payload", "dir"},
      {"--sample", "--payload", "dir"},
  };
  for (const auto& line : lines) {
    EXPECT_EQ(Mkform(line), 2);
    EXPECT_NE(Stderr().find("usage"), std::string::npos);
  }
  ExpectOnly({});
}

}  // namespace
