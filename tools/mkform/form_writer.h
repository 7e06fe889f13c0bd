// Builds the stored main form with the payload container inside, byte for byte as the program
// reads it. Used by the mkform tool and by the tests.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace formwriter {

using Bytes = std::vector<std::uint8_t>;

// The 4,000,000-byte pixel block: the directory, the four entries back to back from offset 0 of
// the entry area, zeros after them. Throws std::runtime_error when they do not fit.
Bytes BuildPixelBlock(const std::array<Bytes, 4>& entries);

// The 8-bit, 2000 x 2000, bottom-up BMP file around a pixel block of 4,000,000 bytes.
Bytes BuildBitmapFile(std::span<const std::uint8_t> pixel_block);

// A picture's stored data: class name, signed 32-bit length of the graphic's file, the file.
Bytes BuildPictureData(const std::string& class_name, std::span<const std::uint8_t> file);

// The stored form "TPF0": Form1 with its settings, its child Image1 whose "Picture.Data" is
// `picture_data`.
Bytes BuildStoredForm(std::span<const std::uint8_t> picture_data);

// All of it from four entries.
Bytes BuildFormResource(const std::array<Bytes, 4>& entries);

// The deterministic sample entry `index` (0 to 3), with the size of the container as built.
Bytes SampleEntry(int index);

}  // namespace formwriter
