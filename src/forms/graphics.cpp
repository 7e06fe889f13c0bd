#include "forms/graphics.h"

#include <cstdlib>
#include <limits>

#include "forms/exceptions.h"

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kMinInfoHeaderBytes = 40;

[[noreturn]] void Invalid(const std::string& what) {
  throw EInvalidGraphic("Bitmap: " + what);
}

std::uint16_t U16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::int32_t I32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int32_t>(U32(bytes, at));
}

}  // namespace

void TBitmap::LoadFromData(std::span<const std::uint8_t> data) {
  // Built aside and taken over at the end, so a failed load leaves this bitmap as it was.
  TBitmap loaded;
  if (data.size() < 4) Invalid("data ends before the BMP length");
  const std::int32_t length = I32(data, 0);
  if (length < 0) Invalid("negative BMP length " + std::to_string(length));
  if (static_cast<std::size_t>(length) > data.size() - 4) {
    Invalid("BMP length " + std::to_string(length) + " runs past the end of the data (" +
            std::to_string(data.size() - 4) + " bytes left)");
  }
  if (length == 0) {
    *this = loaded;
    return;
  }
  const std::span<const std::uint8_t> bmp = data.subspan(4, static_cast<std::size_t>(length));
  if (bmp.size() < kFileHeaderBytes + kMinInfoHeaderBytes) {
    Invalid("BMP of " + std::to_string(bmp.size()) + " bytes is shorter than its headers");
  }
  if (bmp[0] != 'B' || bmp[1] != 'M') Invalid("no BM signature");

  // Sizes below are summed in 64 bits: each part is at most 2^32, so no sum can wrap.
  const std::uint64_t info_size = U32(bmp, 14);
  if (info_size < kMinInfoHeaderBytes) {
    Invalid("info header size " + std::to_string(info_size) + " is below 40");
  }
  if (kFileHeaderBytes + info_size > bmp.size()) {
    Invalid("info header size " + std::to_string(info_size) + " runs past the end of the BMP");
  }
  const std::int32_t width = I32(bmp, 18);
  const std::int32_t height = I32(bmp, 22);
  const std::uint16_t planes = U16(bmp, 26);
  const std::uint16_t bit_count = U16(bmp, 28);
  const std::uint32_t compression = U32(bmp, 30);
  const std::uint32_t size_image = U32(bmp, 34);
  const std::uint32_t colours_used = U32(bmp, 46);

  if (planes != 1) Invalid("plane count " + std::to_string(planes) + " is not 1");
  switch (bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Invalid("unsupported bit count " + std::to_string(bit_count));
  }
  if (compression != 0) {
    Invalid("compression " + std::to_string(compression) + " is not supported");
  }
  if (width <= 0) Invalid("width " + std::to_string(width) + " is not positive");
  // |INT32_MIN| has no int; a height of 0 has no scan lines to address.
  if (height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
    Invalid("height " + std::to_string(height) + " is not usable");
  }
  const std::int64_t rows = std::abs(static_cast<std::int64_t>(height));

  std::uint64_t colours = colours_used;
  if (colours == 0 && bit_count <= 8) colours = std::uint64_t{1} << bit_count;
  const std::uint64_t table_end = kFileHeaderBytes + info_size + colours * 4;
  if (table_end > bmp.size()) {
    Invalid("colour table of " + std::to_string(colours) + " entries runs past the end of the BMP");
  }

  // width < 2^31 and bit_count <= 32, so the product stays below 2^37.
  const std::int64_t stride = (static_cast<std::int64_t>(width) * bit_count + 31) / 32 * 4;
  if (stride > std::numeric_limits<std::int64_t>::max() / rows) {
    Invalid("pixel array size overflows");
  }
  const std::uint64_t rows_bytes = static_cast<std::uint64_t>(stride * rows);
  const std::uint64_t pixel_bytes = size_image != 0 ? size_image : rows_bytes;
  if (pixel_bytes > bmp.size() - table_end) {
    Invalid(std::to_string(pixel_bytes) + " pixel bytes run past the end of the BMP");
  }
  // Every scan line must lie inside the pixels, whatever biSizeImage claims.
  if (pixel_bytes < rows_bytes) {
    Invalid(std::to_string(pixel_bytes) + " pixel bytes are fewer than " +
            std::to_string(rows_bytes) + " rows need");
  }

  loaded.info_ =
      bmp.subspan(kFileHeaderBytes, static_cast<std::size_t>(table_end) - kFileHeaderBytes);
  loaded.pixels_ =
      bmp.subspan(static_cast<std::size_t>(table_end), static_cast<std::size_t>(pixel_bytes));
  loaded.width_ = width;
  loaded.height_ = static_cast<int>(rows);
  loaded.bit_count_ = bit_count;
  loaded.compression_ = compression;
  loaded.bottom_up_ = height > 0;
  loaded.stride_ = stride;
  *this = loaded;
}

const std::uint8_t* TBitmap::ScanLine(int row) const {
  if (Empty() || row < 0 || row >= height_) {
    throw EInvalidGraphicOperation("Scan line index out of range");
  }
  const std::int64_t stored_row = bottom_up_ ? height_ - 1 - row : row;
  return pixels_.data() + stored_row * stride_;
}

void TPicture::LoadFromData(std::span<const std::uint8_t> data) {
  if (data.empty()) throw EInvalidGraphic("Picture: data holds no class name");
  const std::size_t name_length = data[0];
  if (name_length > data.size() - 1) {
    throw EInvalidGraphic("Picture: class name runs past the end of the data");
  }
  const std::string class_name(data.begin() + 1, data.begin() + 1 + name_length);
  if (class_name != "TBitmap") {
    throw EInvalidGraphic("Picture: unknown graphic class '" + class_name + "'");
  }
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromData(data.subspan(1 + name_length));
  graphic_ = std::move(bitmap);
}

TBitmap* TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return bitmap;
  graphic_ = std::make_unique<TBitmap>();
  return static_cast<TBitmap*>(graphic_.get());
}
