#include "payload/payload.h"

#include <span>

#include "forms/exceptions.h"
#include "services/services.h"
#include "shell/form1.h"

TPayloadEntry PayloadDirectory[container::kEntryCount] = {};

namespace {

// The pixel block in place in the main form's picture: from the start of the bottom row of the
// image to the end of the pixel memory. Empty when the picture cannot be the container.
std::span<const std::uint8_t> PixelBlock() {
  if (Form1 == nullptr || Form1->Image1 == nullptr) return {};
  const TBitmap* bitmap = Form1->Image1->Picture.Bitmap();
  const int height = bitmap->Height();
  // Only a bottom-up bitmap stores the bottom row first, so that the block runs on from it.
  if (height <= 0 || !bitmap->BottomUp()) return {};
  const std::uint8_t* start = bitmap->ScanLine(height - 1);
  const std::span<const std::uint8_t> pixels = bitmap->PixelMemory();
  return pixels.subspan(static_cast<std::size_t>(start - pixels.data()));
}

std::int32_t LittleEndian32(const std::uint8_t* bytes) {
  return static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                   std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

}  // namespace

bool ExtractPayloadEntry(std::int32_t Index, const std::string& TargetPath) {
  if (Index < 0 || Index >= container::kEntryCount) return false;
  const std::span<const std::uint8_t> block = PixelBlock();
  if (block.size() < static_cast<std::size_t>(container::kDirectoryBytes)) return false;

  // Read afresh on every call.
  for (int i = 0; i < container::kEntryCount; ++i) {
    PayloadDirectory[i] = {LittleEndian32(&block[8 * i]), LittleEndian32(&block[8 * i + 4])};
  }
  const TPayloadEntry entry = PayloadDirectory[Index];
  const std::int64_t entry_area =
      static_cast<std::int64_t>(block.size()) - container::kDirectoryBytes;
  if (entry.Offset < 0 || entry.Size < 0 || std::int64_t{entry.Offset} + entry.Size > entry_area) {
    return false;
  }

  // A read-only or hidden target could be neither deleted nor replaced.
  SetNormalAttributes(TargetPath);
  RemoveFile(TargetPath);
  try {
    TFileStream file(TargetPath, TFileStream::fmCreate);
    // One write, straight from the picture's pixel memory.
    const std::uint8_t* bytes = block.data() + container::kDirectoryBytes + entry.Offset;
    return file.Write(bytes, entry.Size) == entry.Size;
  } catch (const EFCreateError&) {
    return false;
  }
}
