#include "inspect/installer.h"

#include "forms/exceptions.h"
#include "forms/graphics.h"
#include "forms/stored_form.h"

namespace inspect {
namespace {

constexpr std::uint16_t kRcData = 10;

std::int32_t I32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::int32_t>(std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
                                   std::uint32_t{bytes[at + 2]} << 16 |
                                   std::uint32_t{bytes[at + 3]} << 24);
}

const TStoredObject& Image1(const TStoredObject& form) {
  for (const TStoredObject& child : form.Children) {
    if (child.Name == "Image1") return child;
  }
  throw InspectError("form " + form.Name + " has no Image1");
}

}  // namespace

InstallerContents ReadInstaller(std::span<const std::uint8_t> file) {
  InstallerContents contents;
  contents.pe = ReadPeHeaders(file);
  const std::span<const std::uint8_t> resource = FindResource(file, contents.pe, kRcData, "TFORM1");
  contents.resource_bytes = resource.size();

  TPicture picture;
  try {
    const TStoredObject form = ReadStoredForm(resource);
    contents.form_name = form.Name;
    contents.form_class = form.ClassName;
    const TStoredProperty* data = Image1(form).Find("Picture.Data");
    if (data == nullptr || data->Type != TValueType::vaBinary) {
      throw InspectError("Image1 has no binary Picture.Data");
    }
    picture.LoadFromData(data->Binary);
  } catch (const EReadError& error) {
    throw InspectError("RCDATA TFORM1: " + error.Message());
  } catch (const EInvalidGraphic& error) {
    throw InspectError("Image1's picture: " + error.Message());
  }

  const TBitmap& bitmap = *picture.Bitmap();
  if (bitmap.Empty()) throw InspectError("Image1's picture is empty");
  contents.width = bitmap.Width();
  contents.height = bitmap.Height();
  contents.bit_count = bitmap.BitCount();
  if (bitmap.BitCount() != 8 || !bitmap.BottomUp() || bitmap.Compressed()) {
    throw InspectError("Image1's bitmap is " + std::to_string(bitmap.BitCount()) + "-bit" +
                       (bitmap.BottomUp() ? "" : ", top-down") +
                       (bitmap.Compressed() ? ", compressed" : "") +
                       "; the payload needs an uncompressed 8-bit bottom-up bitmap");
  }
  // The loader has checked that Height rows of Stride bytes lie inside the pixel memory.
  const std::span<const std::uint8_t> block(
      bitmap.ScanLine(bitmap.Height() - 1),
      static_cast<std::size_t>(bitmap.Stride()) * static_cast<std::size_t>(bitmap.Height()));
  contents.block_bytes = block.size();
  if (block.size() < static_cast<std::size_t>(container::kDirectoryBytes)) {
    throw InspectError("pixel block of " + std::to_string(block.size()) +
                       " bytes cannot hold the payload directory");
  }

  const std::int64_t area = static_cast<std::int64_t>(block.size()) - container::kDirectoryBytes;
  for (std::size_t i = 0; i < contents.entries.size(); ++i) {
    const std::int32_t offset = I32(block, 8 * i);
    const std::int32_t size = I32(block, 8 * i + 4);
    if (offset < 0 || size < 0 || std::int64_t{offset} + size > area) {
      throw InspectError("directory record " + std::to_string(i) + " (Offset " +
                         std::to_string(offset) + ", Size " + std::to_string(size) +
                         ") lies outside the entry area of " + std::to_string(area) + " bytes");
    }
    contents.entries[i] =
        block.subspan(static_cast<std::size_t>(container::kDirectoryBytes + offset),
                      static_cast<std::size_t>(size));
  }
  return contents;
}

}  // namespace inspect
