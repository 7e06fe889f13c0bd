// Whole-file reads and writes for the host tools. A write goes to a temporary file beside the
// target and is renamed into place, so a failed run never leaves a half-written file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fileio {

using Bytes = std::vector<std::uint8_t>;

// The bytes of `path`. Throws std::runtime_error naming the path when it is not a readable file.
Bytes Read(const std::string& path);

// Replaces `path` by `bytes`. Throws std::runtime_error naming the path; nothing is left behind.
void Write(const std::string& path, std::span<const std::uint8_t> bytes);

// Writes only when `path` does not already hold exactly `bytes`, so that an unchanged file keeps
// its date and what is built from it is not rebuilt. True when it wrote.
bool WriteIfChanged(const std::string& path, std::span<const std::uint8_t> bytes);

// "4,001,463": byte counts as the tools' messages show them.
std::string Grouped(std::int64_t value);

}  // namespace fileio
