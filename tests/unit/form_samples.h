// Small stored forms and bitmaps of any shape, for the reader and loader tests and the fuzzer.
// The bitmap is written field by field here, apart from the container builder, so that a test
// states what the loader must make of it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/graphics.h"
#include "forms/stored_form.h"
#include "mkform/form_writer.h"

namespace samples {

using Bytes = std::vector<std::uint8_t>;

struct BmpShape {
  std::int32_t width = 3;
  std::int32_t height = 2;
  std::uint16_t bit_count = 8;
  std::uint32_t colours_used = 2;  // biClrUsed as stored
  int table_entries = 2;           // colour table entries actually written
  std::uint32_t size_image = 0;    // biSizeImage as stored
  std::size_t pixel_bytes = 8;     // pixel bytes actually written after the table
  std::uint32_t info_size = 40;    // biSize; a larger header is padded with zeros
};

inline void Put(Bytes& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Writes `value` little-endian over `bytes` bytes at `at`.
inline void Poke(Bytes& data, std::size_t at, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) data.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::int64_t Peek(std::span<const std::uint8_t> data, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint64_t>(data[at + i]) << (8 * i);
  // Sign-extend from the field's width.
  const int shift = 64 - 8 * bytes;
  return static_cast<std::int64_t>(value << shift) >> shift;
}

// A BMP file; pixel byte k holds (k * 7 + 1) & 0xFF, so every offset is recognisable.
inline Bytes BuildBmp(const BmpShape& shape) {
  const std::size_t table = 4 * static_cast<std::size_t>(shape.table_entries);
  const std::size_t file_size = 14 + shape.info_size + table + shape.pixel_bytes;
  Bytes bmp;
  bmp.push_back('B');
  bmp.push_back('M');
  Put(bmp, file_size, 4);                     // bfSize
  Put(bmp, 0, 4);                             // bfReserved1, bfReserved2
  Put(bmp, 14 + shape.info_size + table, 4);  // bfOffBits
  Put(bmp, shape.info_size, 4);               // biSize
  Put(bmp, static_cast<std::uint32_t>(shape.width), 4);
  Put(bmp, static_cast<std::uint32_t>(shape.height), 4);
  Put(bmp, 1, 2);  // biPlanes
  Put(bmp, shape.bit_count, 2);
  Put(bmp, 0, 4);  // biCompression
  Put(bmp, shape.size_image, 4);
  Put(bmp, 2835, 4);
  Put(bmp, 2835, 4);
  Put(bmp, shape.colours_used, 4);
  Put(bmp, 0, 4);  // biClrImportant
  bmp.resize(14 + shape.info_size, 0);
  for (int k = 0; k < shape.table_entries; ++k) Put(bmp, 0x00FFFFFFu & (k * 0x010101u), 4);
  for (std::size_t k = 0; k < shape.pixel_bytes; ++k)
    bmp.push_back(static_cast<std::uint8_t>(k * 7 + 1));
  return bmp;
}

// What TBitmap::LoadFromData takes: the signed 32-bit length, then the file.
inline Bytes BitmapData(const Bytes& bmp) {
  Bytes data(4 + bmp.size());
  Poke(data, 0, bmp.size(), 4);
  std::copy(bmp.begin(), bmp.end(), data.begin() + 4);
  return data;
}

// Form1 as built, with a 3 x 2 bitmap in place of the 4 MB one. Every position up to the BMP is
// the same as in the real resource.
inline Bytes SmallForm(const Bytes& bmp = BuildBmp({})) {
  return formwriter::BuildStoredForm(formwriter::BuildPictureData("TBitmap", bmp));
}

// Positions in a form built by SmallForm or BuildFormResource.
constexpr std::size_t kPictureDataName = 352;
constexpr std::size_t kPictureDataType = 365;
constexpr std::size_t kPictureDataLength = 366;
constexpr std::size_t kPictureData = 370;
constexpr std::size_t kBmpLength = 378;
constexpr std::size_t kBmp = 382;

// Loads a form the way the forms layer does: the stored form, then Image1's picture, then every
// byte of every scan line, so that the sanitizers see any address outside the input.
inline unsigned LoadForm(std::span<const std::uint8_t> resource) {
  const TStoredObject form = ReadStoredForm(resource);
  unsigned sum = 0;
  for (const TStoredObject& child : form.Children) {
    const TStoredProperty* data = child.Find("Picture.Data");
    if (data == nullptr) continue;
    TPicture picture;
    picture.LoadFromData(data->Binary);
    const TBitmap* bitmap = picture.Bitmap();
    for (int row = 0; row < bitmap->Height(); ++row) {
      const std::uint8_t* line = bitmap->ScanLine(row);
      for (std::int64_t i = 0; i < bitmap->Stride(); ++i) sum += line[i];
    }
  }
  return sum;
}

}  // namespace samples
