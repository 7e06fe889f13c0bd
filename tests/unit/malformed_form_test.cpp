// Malformed stored forms and bitmaps: each raises, and none makes the reader or the loader touch
// a byte outside its input. Every input is copied into a buffer of exactly its size, so the
// sanitizers of the host build catch a read past the end.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "form_samples.h"
#include "forms/exceptions.h"
#include "forms/graphics.h"
#include "forms/stored_form.h"
#include "mkform/form_writer.h"

namespace {

using samples::Bytes;
using samples::kBmp;
using samples::Poke;

constexpr std::int64_t kMinI32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxI32 = std::numeric_limits<std::int32_t>::max();

// The message of what LoadForm raised, or "" when it loaded.
template <typename Error>
std::string LoadFails(const Bytes& resource) {
  try {
    samples::LoadForm(resource);
  } catch (const Error& error) {
    return error.Message().empty() ? "(empty message)" : error.Message();
  }
  return "";
}

TEST(MalformedForm, TheSmallFormLoads) {
  EXPECT_NO_THROW(samples::LoadForm(samples::SmallForm()));
}

TEST(MalformedForm, TruncatedAtEveryLength) {
  const Bytes form = samples::SmallForm();
  for (std::size_t length = 0; length < form.size(); ++length) {
    const Bytes cut(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_THROW(ReadStoredForm(cut), EReadError) << "cut at " << length;
  }
}

TEST(MalformedForm, PictureDataTruncatedAtEveryLength) {
  const Bytes data = formwriter::BuildPictureData("TBitmap", samples::BuildBmp({}));
  for (std::size_t length = 0; length < data.size(); ++length) {
    const Bytes cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
    TPicture picture;
    EXPECT_THROW(picture.LoadFromData(cut), EInvalidGraphic) << "cut at " << length;
    EXPECT_EQ(picture.Graphic(), nullptr);
  }
}

TEST(MalformedForm, RejectsTrailingBytesAndWrongSignatures) {
  const Bytes form = samples::SmallForm();
  for (const Bytes& tail : {Bytes{0}, Bytes{'x'}, Bytes(1000, 0)}) {
    Bytes longer = form;
    longer.insert(longer.end(), tail.begin(), tail.end());
    EXPECT_NE(LoadFails<EReadError>(longer).find("trailing"), std::string::npos);
  }
  for (const char* signature : {"TPF1", "tpf0", "\0\0\0\0", "FPT0"}) {
    Bytes other = form;
    std::copy(signature, signature + 4, other.begin());
    EXPECT_NE(LoadFails<EReadError>(other).find("signature"), std::string::npos) << signature;
  }
  EXPECT_NE(LoadFails<EReadError>(Bytes{'T', 'P', 'F'}), "");
}

TEST(MalformedForm, RejectsEveryUnknownTypeByte) {
  const Bytes form = samples::SmallForm();
  // The type bytes of Form1's Left and of Image1's Picture.Data.
  for (std::size_t at : {std::size_t{22}, samples::kPictureDataType}) {
    for (int type = 0; type < 256; ++type) {
      if (type == 2 || type == 3 || (type >= 6 && type <= 8) || type == 10 || type == 11) continue;
      Bytes bad = form;
      bad[at] = static_cast<std::uint8_t>(type);
      EXPECT_NE(LoadFails<EReadError>(bad).find("unknown value type " + std::to_string(type)),
                std::string::npos)
          << "type " << type << " at " << at;
    }
  }
}

TEST(MalformedForm, RejectsLyingBinaryLengths) {
  const Bytes form = samples::SmallForm();
  const std::int64_t actual = static_cast<std::int64_t>(form.size() - samples::kPictureData - 3);
  struct Case {
    std::int64_t length;
    const char* message;
  };
  const Case cases[] = {
      {actual + 4, "binary length"},  // swallows the three end bytes and one more
      {actual + 1000, "property 'Picture.Data' of 'Image1': binary length"},
      {kMaxI32, "runs past the end at offset 370"},
      {-1, "negative binary length -1"},
      {kMinI32, "negative binary length"},
  };
  for (const Case& c : cases) {
    Bytes bad = form;
    Poke(bad, samples::kPictureDataLength, static_cast<std::uint32_t>(c.length), 4);
    EXPECT_NE(LoadFails<EReadError>(bad).find(c.message), std::string::npos) << c.length;
  }
  // A shorter length leaves picture bytes where the end markers should be.
  Bytes shorter = form;
  Poke(shorter, samples::kPictureDataLength, static_cast<std::uint32_t>(actual - 1), 4);
  EXPECT_NE(LoadFails<EReadError>(shorter), "");
}

TEST(MalformedForm, RejectsStringsThatRunPastTheEnd) {
  // A form whose last string claims more characters than are left.
  const Bytes head = {'T', 'P', 'F', '0', 6,   'T', 'F', 'o', 'r',
                      'm', '1', 5,   'F', 'o', 'r', 'm', '1'};
  const std::vector<Bytes> tails = {
      {9, 'C', 'a', 'p'},                                // property name
      {4, 'N', 'a', 'm', 'e', 6, 200, 'x'},              // string value
      {4, 'N', 'a', 'm', 'e', 7, 1},                     // identifier value
      {4, 'S', 'e', 't', 's', 11, 2, 'a', 'b', 5, 'c'},  // set element
      {4, 'S', 'e', 't', 's', 11, 2, 'a', 'b'},          // set without its end
      {4, 'L', 'e', 'f', 't', 3, 1},                     // 16-bit integer
      {4, 'L', 'e', 'f', 't', 2},                        // 8-bit integer
      {0, 6, 'T', 'I', 'm'},                             // child class name
      {0, 6, 'T', 'I', 'm', 'a', 'g', 'e', 10, 'I'},     // child object name
  };
  for (const Bytes& tail : tails) {
    Bytes bad = head;
    bad.insert(bad.end(), tail.begin(), tail.end());
    EXPECT_NE(LoadFails<EReadError>(bad).find("runs past the end"), std::string::npos)
        << "tail of " << tail.size() << " bytes";
  }
}

// Child records nested inside each other: class name, object name, no properties, children.
Bytes NestedForm(int depth) {
  Bytes form = {'T', 'P', 'F', '0'};
  for (int level = 0; level <= depth; ++level) {
    form.insert(form.end(), {1, 'T', 1, 'n', 0});
  }
  form.insert(form.end(), static_cast<std::size_t>(depth) + 1, 0);
  return form;
}

TEST(MalformedForm, BoundsTheNestingDepth) {
  const TStoredObject shallow = ReadStoredForm(NestedForm(64));
  EXPECT_EQ(shallow.Children.at(0).Children.size(), 1u);
  EXPECT_NE(LoadFails<EReadError>(NestedForm(65)).find("nested deeper"), std::string::npos);
  EXPECT_NE(LoadFails<EReadError>(NestedForm(100000)).find("nested deeper"), std::string::npos);
}

TEST(MalformedForm, RejectsPicturesThatAreNotBitmaps) {
  const Bytes bmp = samples::BuildBmp({});
  for (const char* name : {"TMetafile", "TBitma", "TBitmapX", "tbitmap", ""}) {
    const Bytes form = formwriter::BuildStoredForm(formwriter::BuildPictureData(name, bmp));
    EXPECT_NE(LoadFails<EInvalidGraphic>(form).find(std::string("'") + name + "'"),
              std::string::npos)
        << name;
  }
  const Bytes no_name = formwriter::BuildStoredForm(Bytes{});
  EXPECT_NE(LoadFails<EInvalidGraphic>(no_name), "");
  const Bytes long_name = formwriter::BuildStoredForm(Bytes{200, 'T', 'B'});
  EXPECT_NE(LoadFails<EInvalidGraphic>(long_name).find("runs past"), std::string::npos);
}

// Bad BMPs, each made by changing one field of the small form's bitmap.
TEST(MalformedForm, RejectsBitmapsItCannotTake) {
  struct Case {
    const char* name;
    std::size_t at;
    int bytes;
    std::int64_t value;
    const char* message;
  };
  const Case cases[] = {
      {"BMP length past the end", samples::kBmpLength, 4, 1000, "runs past the end"},
      {"BMP length at most", samples::kBmpLength, 4, kMaxI32, "runs past the end"},
      {"negative BMP length", samples::kBmpLength, 4, -1, "negative BMP length"},
      {"most negative BMP length", samples::kBmpLength, 4, kMinI32, "negative"},
      {"BMP shorter than its headers", samples::kBmpLength, 4, 53, "shorter"},
      {"no BM", kBmp, 2, 'M' | ('B' << 8), "no BM"},
      {"zeros for BM", kBmp, 2, 0, "no BM"},
      {"zero planes", kBmp + 26, 2, 0, "plane count 0"},
      {"two planes", kBmp + 26, 2, 2, "plane count 2"},
      {"bit count 0", kBmp + 28, 2, 0, "bit count 0"},
      {"bit count 7", kBmp + 28, 2, 7, "bit count 7"},
      {"bit count 64", kBmp + 28, 2, 64, "bit count 64"},
      {"RLE8", kBmp + 30, 4, 1, "compression 1"},
      {"bit fields", kBmp + 30, 4, 3, "compression 3"},
      {"zero width", kBmp + 18, 4, 0, "width 0"},
      {"negative width", kBmp + 18, 4, -3, "width -3"},
      {"zero height", kBmp + 22, 4, 0, "height 0"},
      {"most negative height", kBmp + 22, 4, kMinI32, "height"},
      {"taller than the pixels", kBmp + 22, 4, 3, "run past the end"},
      {"top-down, taller", kBmp + 22, 4, -3, "run past the end"},
      {"wider than the pixels", kBmp + 18, 4, 5, "run past the end"},
      {"wider than anything", kBmp + 18, 4, kMaxI32, "pixel bytes"},
      {"info header below 40", kBmp + 14, 4, 39, "info header size 39"},
      {"info header past the end", kBmp + 14, 4, 100, "info header size 100"},
      {"info header at most", kBmp + 14, 4, 0xFFFFFFFF, "info header size"},
      {"colour table past the end", kBmp + 46, 4, 5, "colour table"},
      {"colour count at most", kBmp + 46, 4, 0xFFFFFFFF, "colour table"},
      {"colour count that wraps in 32 bits", kBmp + 46, 4, 0x40000001, "colour table"},
      {"biSizeImage short of the rows", kBmp + 34, 4, 7, "fewer than"},
      {"biSizeImage past the end", kBmp + 34, 4, 9, "run past the end"},
      {"biSizeImage at most", kBmp + 34, 4, 0xFFFFFFFF, "run past the end"},
  };
  for (const Case& c : cases) {
    Bytes form = samples::SmallForm();
    Poke(form, c.at, static_cast<std::uint64_t>(c.value), c.bytes);
    const std::string message = LoadFails<EInvalidGraphic>(form);
    EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
  }
}

TEST(MalformedForm, RejectsSizesThatOverflow) {
  // Width and height at their most: the pixel array would need more than 2^64 bytes.
  samples::BmpShape shape;
  shape.bit_count = 32;
  shape.table_entries = 0;
  shape.colours_used = 0;
  Bytes form = samples::SmallForm(samples::BuildBmp(shape));
  Poke(form, kBmp + 18, static_cast<std::uint32_t>(kMaxI32), 4);
  Poke(form, kBmp + 22, static_cast<std::uint32_t>(kMaxI32), 4);
  EXPECT_NE(LoadFails<EInvalidGraphic>(form).find("overflows"), std::string::npos);
  Poke(form, kBmp + 22, static_cast<std::uint32_t>(-kMaxI32), 4);
  EXPECT_NE(LoadFails<EInvalidGraphic>(form).find("overflows"), std::string::npos);
}

}  // namespace
