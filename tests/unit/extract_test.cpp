// Writing payload entries to files: the bytes, the target's states before and after, the bounds.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "payload/payload.h"
#include "services/services.h"
#include "support/temp_dir.h"
#include "support/test_form.h"

namespace {

namespace fs = std::filesystem;

void MakeReadOnly(const std::string& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool IsWritable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

TEST(ExtractTest, SampleEntriesComeOutAsStored) {
  const std::array<formwriter::Bytes, 4> entries = {
      formwriter::SampleEntry(0), formwriter::SampleEntry(1), formwriter::SampleEntry(2),
      formwriter::SampleEntry(3)};
  TestForm form(entries);
  TempDir temp;
  for (int i = 0; i < 4; ++i) {
    const std::string target = temp.Path("entry" + std::to_string(i));
    ASSERT_TRUE(ExtractPayloadEntry(i, target)) << i;
    EXPECT_EQ(temp.ReadFile("entry" + std::to_string(i)), AsString(entries[i])) << i;
  }
  EXPECT_EQ(PayloadDirectory[3].Offset, 2460672 + 201960 + 807055);
  EXPECT_EQ(PayloadDirectory[3].Size, 2886);
}

// What stood at the target before, and what the extraction makes of it.
TEST(ExtractTest, TargetStates) {
  TestForm form(SmallEntries());
  const std::string entry1 = AsString(SmallEntries()[1]);
  const struct {
    const char* name;
    void (*arrange)(const TempDir&);
    bool result;
    const char* after;  // content afterwards; nullptr: no file
  } cases[] = {
      {"missing target is created", [](const TempDir&) {}, true, entry1.c_str()},
      {"existing target is replaced", [](const TempDir& t) { t.WriteFile("t", "old old old"); },
       true, entry1.c_str()},
      {"read-only target is replaced",
       [](const TempDir& t) { MakeReadOnly(t.WriteFile("t", "old")); }, true, entry1.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir temp;
    c.arrange(temp);
    EXPECT_EQ(ExtractPayloadEntry(1, temp.Path("t")), c.result);
    EXPECT_EQ(temp.ReadFile("t"), c.after);
    EXPECT_TRUE(IsWritable(temp.Path("t")));
  }
}

TEST(ExtractTest, TargetThatCannotBeCreatedGivesFalse) {
  TestForm form(SmallEntries());
  TempDir temp;
  // No directory is made for it.
  EXPECT_FALSE(ExtractPayloadEntry(0, temp.Path("missing/dir/t")));
  EXPECT_FALSE(fs::exists(temp.Path("missing")));

  // Another program holds it open: it stays as it was.
  temp.WriteFile("held", "old");
  {
    TFileStream other(temp.Path("held"), TFileStream::fmOpenRead);
    EXPECT_FALSE(ExtractPayloadEntry(0, temp.Path("held")));
  }
  EXPECT_EQ(temp.ReadFile("held"), "old");
}

TEST(ExtractTest, EmptyEntryGivesAnEmptyFile) {
  TestForm form(ResourceWithRecord(SmallEntries(), 2, 5, 0));
  TempDir temp;
  temp.WriteFile("t", "old");
  EXPECT_TRUE(ExtractPayloadEntry(2, temp.Path("t")));
  EXPECT_EQ(temp.ReadFile("t"), "");
}

TEST(ExtractTest, EntryMayEndExactlyAtTheEndOfTheBlock) {
  TestForm form(ResourceWithRecord(SmallEntries(), 3, container::kEntryAreaBytes - 4, 4));
  TempDir temp;
  EXPECT_TRUE(ExtractPayloadEntry(3, temp.Path("t")));
  EXPECT_EQ(temp.ReadFile("t"), std::string(4, '\0'));
}

// Out of bounds: false, and the target is not touched (it stays read-only).
TEST(ExtractTest, IndexOrRecordOutsideTheContainerGivesFalseBeforeTouchingTheTarget) {
  const struct {
    const char* name;
    std::int32_t index;
    std::int32_t offset;  // record of entry `index` (or 0) rewritten to these
    std::int32_t size;
  } cases[] = {
      {"index -1", -1, 0, 1},
      {"index 4", 4, 0, 1},
      {"negative offset", 1, -1, 4},
      {"negative size", 1, 0, -1},
      {"one byte past the block", 1, container::kEntryAreaBytes - 3, 4},
      {"offset past the block", 1, container::kEntryAreaBytes + 1, 0},
      {"sum overflows 32 bits", 1, INT32_MAX, INT32_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int record = (c.index >= 0 && c.index < 4) ? c.index : 0;
    TestForm form(ResourceWithRecord(SmallEntries(), record, c.offset, c.size));
    TempDir temp;
    const std::string target = temp.WriteFile("t", "untouched");
    MakeReadOnly(target);
    EXPECT_FALSE(ExtractPayloadEntry(c.index, target));
    EXPECT_EQ(temp.ReadFile("t"), "untouched");
    EXPECT_FALSE(IsWritable(target));
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
  }
}

TEST(ExtractTest, DirectoryIsReadAfreshAndTheOrderDoesNotMatter) {
  TestForm form(SmallEntries());
  TempDir in_order;
  TempDir reversed;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(ExtractPayloadEntry(i, in_order.Path(std::to_string(i))));
  for (int i = 3; i >= 0; --i) {
    PayloadDirectory[i] = {-7, -7};  // a stale copy must not be used
    ASSERT_TRUE(ExtractPayloadEntry(i, reversed.Path(std::to_string(i))));
    ASSERT_TRUE(ExtractPayloadEntry(i, reversed.Path(std::to_string(i))));
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(in_order.ReadFile(std::to_string(i)), AsString(SmallEntries()[i]));
    EXPECT_EQ(reversed.ReadFile(std::to_string(i)), AsString(SmallEntries()[i]));
  }
}

// A container the build got wrong gives false, never a read outside the picture.
TEST(ExtractTest, PictureThatCannotHoldTheContainerGivesFalse) {
  formwriter::Bytes top_down =
      formwriter::BuildBitmapFile(formwriter::BuildPixelBlock(SmallEntries()));
  const std::int32_t negative_height = -container::kBitmapHeight;
  for (int i = 0; i < 4; ++i) {
    top_down[22 + i] =
        static_cast<std::uint8_t>(static_cast<std::uint32_t>(negative_height) >> (8 * i));
  }
  const struct {
    const char* name;
    formwriter::Bytes picture;
  } cases[] = {
      {"empty bitmap", formwriter::BuildPictureData("TBitmap", {})},
      {"top-down bitmap", formwriter::BuildPictureData("TBitmap", top_down)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestForm form(formwriter::BuildStoredForm(c.picture));
    TempDir temp;
    EXPECT_FALSE(ExtractPayloadEntry(0, temp.Path("t")));
    EXPECT_FALSE(fs::exists(temp.Path("t")));
  }
}

}  // namespace
