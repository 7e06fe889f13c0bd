// The stored main form as mkform builds it, read back by the forms layer's reader and bitmap
// loader: positions, settings, and the pixel block used in place.
#include "payload/container.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "form_samples.h"
#include "forms/exceptions.h"
#include "forms/graphics.h"
#include "forms/stored_form.h"
#include "mkform/form_writer.h"

namespace {

using samples::Bytes;
using samples::Peek;

const std::array<Bytes, 4>& Entries() {
  static const std::array<Bytes, 4> entries = {
      formwriter::SampleEntry(0), formwriter::SampleEntry(1), formwriter::SampleEntry(2),
      formwriter::SampleEntry(3)};
  return entries;
}

const Bytes& Resource() {
  static const Bytes resource = formwriter::BuildFormResource(Entries());
  return resource;
}

std::string Text(const Bytes& bytes, std::size_t at, std::size_t count) {
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
}

TEST(Container, SampleEntriesHaveTheBuiltSizesAndDiffer) {
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Entries()[i].size(), static_cast<std::size_t>(container::kBuiltEntrySizes[i]));
    EXPECT_EQ(formwriter::SampleEntry(i), Entries()[i]) << "entry " << i << " is not deterministic";
  }
  EXPECT_NE(Bytes(Entries()[0].begin(), Entries()[0].begin() + 2886), Entries()[3]);
  EXPECT_THROW(formwriter::SampleEntry(4), std::out_of_range);
}

TEST(Container, ResourceHasThePublishedLayout) {
  const Bytes& form = Resource();
  ASSERT_EQ(form.size(), 4001463u);
  EXPECT_EQ(Text(form, 0, 4), "TPF0");
  EXPECT_EQ(form[352], 12);
  EXPECT_EQ(Text(form, 353, 12), "Picture.Data");
  EXPECT_EQ(form[365], 10);
  EXPECT_EQ(Peek(form, 366, 4), 4001090);
  EXPECT_EQ(form[370], 7);
  EXPECT_EQ(Text(form, 371, 7), "TBitmap");
  EXPECT_EQ(Peek(form, 378, 4), 4001078);
  EXPECT_EQ(Text(form, 4001460, 3), std::string(3, '\0'));

  // BMP headers, at their offsets within the file.
  const std::size_t bmp = 382;
  struct Field {
    const char* name;
    std::size_t at;
    int bytes;
    std::int64_t value;
  };
  const Field fields[] = {
      {"bfType", 0, 2, 0x4D42},         {"bfSize", 2, 4, 4001078},
      {"bfReserved1", 6, 2, 0},         {"bfReserved2", 8, 2, 0},
      {"bfOffBits", 10, 4, 1078},       {"biSize", 14, 4, 40},
      {"biWidth", 18, 4, 2000},         {"biHeight", 22, 4, 2000},
      {"biPlanes", 26, 2, 1},           {"biBitCount", 28, 2, 8},
      {"biCompression", 30, 4, 0},      {"biSizeImage", 34, 4, 4000000},
      {"biXPelsPerMeter", 38, 4, 2835}, {"biYPelsPerMeter", 42, 4, 2835},
      {"biClrUsed", 46, 4, 256},        {"biClrImportant", 50, 4, 256},
  };
  for (const Field& field : fields) {
    EXPECT_EQ(Peek(form, bmp + field.at, field.bytes), field.value) << field.name;
  }
  for (int k = 0; k < 256; ++k) {
    EXPECT_EQ(Peek(form, bmp + 54 + 4 * k, 4), k * 0x010101) << "colour " << k;
  }

  // The pixel block from 1460: directory, entries back to back, zeros.
  const std::size_t block = 1460;
  const std::int64_t directory[4][2] = {
      {0, 2460672}, {2460672, 201960}, {2662632, 807055}, {3469687, 2886}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Peek(form, block + 8 * i, 4), directory[i][0]) << "Offset of " << i;
    EXPECT_EQ(Peek(form, block + 8 * i + 4, 4), directory[i][1]) << "Size of " << i;
    EXPECT_EQ(
        std::memcmp(&form[block + 32 + directory[i][0]], Entries()[i].data(), Entries()[i].size()),
        0)
        << "entry " << i;
  }
  const std::size_t zeros_from = block + 3472605;
  EXPECT_EQ(Bytes(form.begin() + zeros_from, form.begin() + block + 4000000), Bytes(527395, 0));
}

TEST(Container, PixelBlockRejectsEntriesThatDoNotFit) {
  std::array<Bytes, 4> fitting = {Bytes(3999968 - 3), Bytes(1), Bytes(2), Bytes()};
  const Bytes block = formwriter::BuildPixelBlock(fitting);
  EXPECT_EQ(block.size(), 4000000u);
  EXPECT_EQ(Peek(block, 24, 4), 3999968);  // entry 3 starts at the very end, empty

  std::array<Bytes, 4> too_big = {Bytes(3999968 - 3), Bytes(1), Bytes(2), Bytes(1)};
  EXPECT_THROW(formwriter::BuildPixelBlock(too_big), std::runtime_error);
  EXPECT_THROW(formwriter::BuildBitmapFile(Bytes(3999999)), std::runtime_error);
  EXPECT_THROW(formwriter::BuildPictureData(std::string(256, 'T'), Bytes()), std::runtime_error);
}

TEST(Container, StoredFormReadsBackForm1AndImage1) {
  const TStoredObject form = ReadStoredForm(Resource());
  EXPECT_EQ(form.ClassName, "TForm1");
  EXPECT_EQ(form.Name, "Form1");

  using V = TValueType;
  struct Expected {
    const char* name;
    TValueType type;
    std::int32_t integer;
    const char* text;
  };
  const Expected settings[] = {
      {"Left", V::vaInt16, 366, ""},
      {"Top", V::vaInt16, 242, ""},
      {"BorderStyle", V::vaIdent, 0, "bsNone"},
      {"Caption", V::vaString, 0, "Form1"},
      {"ClientHeight", V::vaInt16, 170, ""},
      {"ClientWidth", V::vaInt16, 192, ""},
      {"Color", V::vaIdent, 0, "clBtnFace"},
      {"Font.Charset", V::vaIdent, 0, "DEFAULT_CHARSET"},
      {"Font.Color", V::vaIdent, 0, "clWindowText"},
      {"Font.Height", V::vaInt8, -11, ""},
      {"Font.Name", V::vaString, 0, "MS Sans Serif"},
      {"Font.Style", V::vaSet, 0, ""},
      {"OldCreateOrder", V::vaFalse, 0, ""},
      {"OnCreate", V::vaIdent, 0, "FormCreate"},
      {"OnShow", V::vaIdent, 0, "FormShow"},
      {"PixelsPerInch", V::vaInt8, 96, ""},
      {"TextHeight", V::vaInt8, 13, ""},
  };
  ASSERT_EQ(form.Properties.size(), std::size(settings));
  for (std::size_t i = 0; i < std::size(settings); ++i) {
    const TStoredProperty& property = form.Properties[i];
    SCOPED_TRACE(settings[i].name);
    EXPECT_EQ(property.Name, settings[i].name);
    EXPECT_EQ(property.Type, settings[i].type);
    EXPECT_EQ(property.Integer, settings[i].integer);
    EXPECT_EQ(property.Text, settings[i].text);
    EXPECT_TRUE(property.Set.empty());
    EXPECT_TRUE(property.Binary.empty());
  }
  EXPECT_EQ(form.Find("Caption"), &form.Properties[3]);
  EXPECT_EQ(form.Find("Visible"), nullptr);

  ASSERT_EQ(form.Children.size(), 1u);
  const TStoredObject& image = form.Children[0];
  EXPECT_EQ(image.ClassName, "TImage");
  EXPECT_EQ(image.Name, "Image1");
  EXPECT_TRUE(image.Children.empty());
  ASSERT_EQ(image.Properties.size(), 5u);
  const std::pair<const char*, std::int32_t> geometry[] = {
      {"Left", 0}, {"Top", 0}, {"Width", 153}, {"Height", 137}};
  const TValueType geometry_types[] = {V::vaInt8, V::vaInt8, V::vaInt16, V::vaInt16};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(image.Properties[i].Name, geometry[i].first);
    EXPECT_EQ(image.Properties[i].Type, geometry_types[i]);
    EXPECT_EQ(image.Properties[i].Integer, geometry[i].second);
  }
  const TStoredProperty& data = image.Properties[4];
  EXPECT_EQ(data.Name, "Picture.Data");
  EXPECT_EQ(data.Type, V::vaBinary);
  // A view of the resource itself, not a copy.
  EXPECT_EQ(data.Binary.data(), Resource().data() + 370);
  EXPECT_EQ(data.Binary.size(), 4001090u);
}

TEST(Container, PictureUsesThePixelBlockInPlace) {
  const Bytes& form = Resource();
  const TStoredObject stored = ReadStoredForm(form);
  TPicture picture;
  picture.LoadFromData(stored.Children.at(0).Find("Picture.Data")->Binary);
  TGraphic* graphic = picture.Graphic();
  ASSERT_NE(graphic, nullptr);
  TBitmap* bitmap = picture.Bitmap();
  EXPECT_EQ(bitmap, graphic) << "asking for the bitmap replaced it";
  EXPECT_FALSE(bitmap->Empty());
  EXPECT_EQ(bitmap->Width(), 2000);
  EXPECT_EQ(bitmap->Height(), 2000);
  EXPECT_TRUE(bitmap->BottomUp());
  EXPECT_EQ(bitmap->BitCount(), 8);
  EXPECT_FALSE(bitmap->Compressed());
  EXPECT_EQ(bitmap->Stride(), 2000);

  const std::uint8_t* block = form.data() + 1460;
  EXPECT_EQ(bitmap->InfoHeader().data(), form.data() + 382 + 14);
  EXPECT_EQ(bitmap->InfoHeader().size(), 40u + 1024u);
  EXPECT_EQ(bitmap->PixelMemory().data(), block);
  EXPECT_EQ(bitmap->PixelMemory().size(), 4000000u);

  // Bottom-up: the image's bottom row is the first stored row, block offset 0.
  EXPECT_EQ(bitmap->ScanLine(1999), block);
  EXPECT_EQ(bitmap->ScanLine(0), block + 3998000);
  for (int row = 0; row < 2000; ++row) {
    ASSERT_EQ(bitmap->ScanLine(row), block + (1999 - row) * 2000) << "row " << row;
  }
  const Bytes expected = formwriter::BuildPixelBlock(Entries());
  EXPECT_EQ(std::memcmp(bitmap->ScanLine(bitmap->Height() - 1), expected.data(), expected.size()),
            0);

  EXPECT_THROW(bitmap->ScanLine(2000), EInvalidGraphicOperation);
  EXPECT_THROW(bitmap->ScanLine(-1), EInvalidGraphicOperation);
}

// Bitmaps of other shapes: where the pixels start and where each scan line lies.
TEST(Bitmap, MapsScanLinesOfEveryShape) {
  struct Case {
    const char* name;
    samples::BmpShape shape;
    std::int64_t stride;
    std::size_t pixels_at;    // from the start of the BMP file
    std::size_t pixel_bytes;  // as the loader takes them
    std::size_t top_row;      // scan line 0, from the start of the pixels
  };
  const Case cases[] = {
      // 3 bytes of pixels and one pad byte per row; bottom-up, so row 0 is stored last.
      {"padded rows", {3, 3, 8, 2, 2, 0, 12}, 4, 14 + 40 + 8, 12, 8},
      {"top-down", {3, -3, 8, 2, 2, 0, 12}, 4, 14 + 40 + 8, 12, 0},
      {"8 bits, biClrUsed 0: 256 colours", {4, 2, 8, 0, 256, 0, 8}, 4, 14 + 40 + 1024, 8, 4},
      {"4 bits, biClrUsed 0: 16 colours", {9, 2, 4, 0, 16, 0, 16}, 8, 14 + 40 + 64, 16, 8},
      {"1 bit, biClrUsed 0: 2 colours", {33, 2, 1, 0, 2, 0, 16}, 8, 14 + 40 + 8, 16, 8},
      {"24 bits: no table", {5, 2, 24, 0, 0, 0, 32}, 16, 14 + 40, 32, 16},
      {"32 bits: no table", {3, 2, 32, 0, 0, 0, 24}, 12, 14 + 40, 24, 12},
      {"16 bits with a table", {3, 2, 16, 3, 3, 0, 16}, 8, 14 + 40 + 12, 16, 8},
      {"biSizeImage beyond the rows", {3, 2, 8, 2, 2, 12, 12}, 4, 14 + 40 + 8, 12, 4},
      {"bytes after the pixels", {3, 2, 8, 2, 2, 0, 20}, 4, 14 + 40 + 8, 8, 4},
      {"larger info header", {3, 2, 8, 2, 2, 0, 8, 124}, 4, 14 + 124 + 8, 8, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = samples::BitmapData(samples::BuildBmp(c.shape));
    const std::uint8_t* bmp = data.data() + 4;
    TBitmap bitmap;
    bitmap.LoadFromData(data);
    const int height = c.shape.height < 0 ? -c.shape.height : c.shape.height;
    EXPECT_EQ(bitmap.Width(), c.shape.width);
    EXPECT_EQ(bitmap.Height(), height);
    EXPECT_EQ(bitmap.BottomUp(), c.shape.height > 0);
    EXPECT_EQ(bitmap.Stride(), c.stride);
    EXPECT_EQ(bitmap.PixelMemory().data(), bmp + c.pixels_at);
    EXPECT_EQ(bitmap.PixelMemory().size(), c.pixel_bytes);
    EXPECT_EQ(bitmap.InfoHeader().data(), bmp + 14);
    EXPECT_EQ(bitmap.InfoHeader().size(), c.pixels_at - 14);
    const std::uint8_t* pixels = bmp + c.pixels_at;
    EXPECT_EQ(bitmap.ScanLine(0), pixels + c.top_row);
    const std::size_t bottom_row = bitmap.BottomUp() ? 0 : (height - 1) * c.stride;
    EXPECT_EQ(bitmap.ScanLine(height - 1), pixels + bottom_row);
    EXPECT_THROW(bitmap.ScanLine(height), EInvalidGraphicOperation);
  }
}

TEST(Bitmap, LengthZeroGivesAnEmptyBitmap) {
  TBitmap bitmap;
  bitmap.LoadFromData(Bytes(4, 0));
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_THROW(bitmap.ScanLine(0), EInvalidGraphicOperation);
  EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);

  // Loading an empty one over a loaded one empties it.
  const Bytes data = samples::BitmapData(samples::BuildBmp({}));
  bitmap.LoadFromData(data);
  EXPECT_FALSE(bitmap.Empty());
  bitmap.LoadFromData(Bytes(4, 0));
  EXPECT_TRUE(bitmap.Empty());
}

TEST(Bitmap, FailedLoadLeavesTheBitmapAsItWas) {
  const Bytes data = samples::BitmapData(samples::BuildBmp({}));
  TBitmap bitmap;
  bitmap.LoadFromData(data);
  Bytes bad = data;
  bad[4] = 'X';
  EXPECT_THROW(bitmap.LoadFromData(bad), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.PixelMemory().data(), data.data() + 4 + 14 + 40 + 8);
}

class OtherGraphic : public TGraphic {
 public:
  bool Empty() const override { return false; }
};

TEST(Picture, BitmapOfAnEmptyOrOtherPictureIsAnEmptyBitmap) {
  TPicture empty;
  EXPECT_EQ(empty.Graphic(), nullptr);
  TBitmap* bitmap = empty.Bitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(empty.Graphic(), bitmap);
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(bitmap->Height(), 0);
  EXPECT_THROW(bitmap->ScanLine(bitmap->Height() - 1), EInvalidGraphicOperation);
  EXPECT_EQ(empty.Bitmap(), bitmap) << "a bitmap is returned untouched";

  TPicture other;
  other.SetGraphic(std::make_unique<OtherGraphic>());
  TBitmap* replaced = other.Bitmap();
  EXPECT_EQ(other.Graphic(), replaced);
  EXPECT_TRUE(replaced->Empty());
  EXPECT_THROW(replaced->ScanLine(replaced->Height() - 1), EInvalidGraphicOperation);
}

TEST(Picture, LoadsASmallForm) {
  const Bytes form = samples::SmallForm();
  EXPECT_EQ(form[samples::kPictureDataName], 12);
  const TStoredObject stored = ReadStoredForm(form);
  TPicture picture;
  picture.LoadFromData(stored.Children.at(0).Find("Picture.Data")->Binary);
  const TBitmap* bitmap = picture.Bitmap();
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(bitmap->ScanLine(1), form.data() + samples::kBmp + 14 + 40 + 8);
  EXPECT_EQ(samples::LoadForm(form), 1u + 8 + 15 + 22 + 29 + 36 + 43 + 50);
}

}  // namespace
