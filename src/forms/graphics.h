// The picture of an image component and the one graphic kind it loads: a device-independent
// bitmap whose pixel bytes stay where they lie in the stored form (no copy, no conversion).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>

class TGraphic {
 public:
  virtual ~TGraphic() = default;
  virtual bool Empty() const = 0;
};

class TBitmap : public TGraphic {
 public:
  // Loads from the bytes that follow the class name in a picture's data: a signed 32-bit BMP
  // length, then the BMP file. A length of 0 gives an empty bitmap. The bitmap keeps views into
  // `data`, which must outlive it. Raises EInvalidGraphic for a BMP it cannot take.
  void LoadFromData(std::span<const std::uint8_t> data);

  bool Empty() const override { return pixels_.empty() && width_ == 0; }
  int Width() const { return width_; }
  // The absolute value of the stored height.
  int Height() const { return height_; }
  bool BottomUp() const { return bottom_up_; }
  int BitCount() const { return bit_count_; }
  bool Compressed() const { return compression_ != 0; }
  // Bytes per stored row: the row's pixel bytes brought up to a multiple of 4.
  std::int64_t Stride() const { return stride_; }

  // Start of scan line `row` (0 is the top row of the image). Raises EInvalidGraphicOperation
  // for a row outside 0 .. Height - 1, and for an empty bitmap.
  const std::uint8_t* ScanLine(int row) const;

  // All pixel bytes in stored order, each row a stride long.
  std::span<const std::uint8_t> PixelMemory() const { return pixels_; }
  // The info header and colour table as stored, for painting the pixels in place.
  std::span<const std::uint8_t> InfoHeader() const { return info_; }

 private:
  std::span<const std::uint8_t> info_;
  std::span<const std::uint8_t> pixels_;
  int width_ = 0;
  int height_ = 0;
  int bit_count_ = 0;
  std::uint32_t compression_ = 0;
  bool bottom_up_ = true;
  std::int64_t stride_ = 0;
};

class TPicture {
 public:
  // Reads a picture's stored data: the graphic's class name, then the graphic's own data.
  // Only "TBitmap" is known; another name raises EInvalidGraphic.
  void LoadFromData(std::span<const std::uint8_t> data);

  TGraphic* Graphic() const { return graphic_.get(); }
  // Puts `graphic` in place of the current one; nullptr leaves the picture empty.
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
  // The graphic as a bitmap. Asking for it replaces a graphic of another kind (or none) by an
  // empty bitmap; a bitmap is returned untouched.
  TBitmap* Bitmap();

 private:
  std::unique_ptr<TGraphic> graphic_;
};
