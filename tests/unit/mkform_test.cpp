// The mkform tool as the build runs it: the sample payload, the resource, and failures that
// leave no output behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mkform/form_writer.h"
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

TEST_F(MkformTest, WrongCommandLinesShowTheUsage) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"out.bin"},
      {"out.bin", "a", "b", "c"},
      {"out.bin", "a", "b", "c", "d", "e"},
      {"--sample"},
      {"--sample", "dir", "--game"},
      {"--sample", "dir", "--other", "file"},
  };
  for (const auto& line : lines) {
    EXPECT_EQ(Mkform(line), 2);
    EXPECT_NE(Stderr().find("usage"), std::string::npos);
  }
  ExpectOnly({});
}

}  // namespace
