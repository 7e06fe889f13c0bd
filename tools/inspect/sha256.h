// SHA-256 (FIPS 180-4), for the hash column of the inspect listing.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace inspect {

class Sha256 {
 public:
  Sha256();
  void Update(std::span<const std::uint8_t> bytes);
  // The digest of everything given so far. The object is spent afterwards.
  std::array<std::uint8_t, 32> Finish();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes
};

// The digest of `bytes` in lower-case hex, as sha256sum prints it.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace inspect
