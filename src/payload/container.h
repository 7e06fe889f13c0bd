// Layout of the payload container: four files back to back in the pixel block of an 8-bit,
// 2000 x 2000, bottom-up bitmap, behind a directory of four (Offset, Size) records.
#pragma once

#include <cstdint>

namespace container {

constexpr int kEntryCount = 4;
constexpr std::int32_t kDirectoryBytes = 8 * kEntryCount;  // 32
constexpr std::int32_t kBitmapWidth = 2000;
constexpr std::int32_t kBitmapHeight = 2000;
constexpr std::int32_t kBlockBytes = kBitmapWidth * kBitmapHeight;       // 4,000,000
constexpr std::int32_t kEntryAreaBytes = kBlockBytes - kDirectoryBytes;  // 3,999,968

// The BMP file around the block.
constexpr std::int32_t kFileHeaderBytes = 14;
constexpr std::int32_t kInfoHeaderBytes = 40;
constexpr std::int32_t kColourTableBytes = 256 * 4;
constexpr std::int32_t kPixelOffset =
    kFileHeaderBytes + kInfoHeaderBytes + kColourTableBytes;    // 1078
constexpr std::int32_t kBmpBytes = kPixelOffset + kBlockBytes;  // 4,001,078
constexpr std::int32_t kPixelsPerMetre = 2835;

// The picture's stored data: class name "TBitmap" with its length byte, BMP length, BMP.
constexpr std::int32_t kPictureDataBytes = 1 + 7 + 4 + kBmpBytes;  // 4,001,090

// Sizes of the four entries in the container as built.
constexpr std::int32_t kBuiltEntrySizes[kEntryCount] = {2460672, 201960, 807055, 2886};

}  // namespace container
