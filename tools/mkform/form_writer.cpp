#include "mkform/form_writer.h"

#include <limits>
#include <stdexcept>

#include "payload/container.h"

namespace formwriter {
namespace {

// Appends fixed fields little-endian. Every value is checked against its field's range before
// it is narrowed, and the error names the field.
class Writer {
 public:
  explicit Writer(Bytes& out) : out_(out) {}

  void U8(std::int64_t value, const char* field) { Put(value, 1, 0, 0xFF, field); }
  void I8(std::int64_t value, const char* field) { Put(value, 1, -0x80, 0x7F, field); }
  void U16(std::int64_t value, const char* field) { Put(value, 2, 0, 0xFFFF, field); }
  void I16(std::int64_t value, const char* field) { Put(value, 2, -0x8000, 0x7FFF, field); }
  void U32(std::int64_t value, const char* field) { Put(value, 4, 0, 0xFFFFFFFF, field); }
  void I32(std::int64_t value, const char* field) {
    Put(value, 4, std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max(), field);
  }

  void Raw(std::span<const std::uint8_t> bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }
  // Byte by byte: GCC 12 warns falsely (stringop-overflow) on a range insert of a literal.
  void Raw(const char* text) {
    for (; *text != '\0'; ++text) out_.push_back(static_cast<std::uint8_t>(*text));
  }

  // A length byte and the characters.
  void String(const std::string& text, const char* field) {
    U8(static_cast<std::int64_t>(text.size()), field);
    out_.insert(out_.end(), text.begin(), text.end());
  }

 private:
  void Put(std::int64_t value, int bytes, std::int64_t low, std::int64_t high, const char* field) {
    if (value < low || value > high) {
      throw std::runtime_error(std::string(field) + ": " + std::to_string(value) +
                               " does not fit its " + std::to_string(bytes * 8) + "-bit field");
    }
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < bytes; ++i) out_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  }

  Bytes& out_;
};

// Property values by their type byte.
enum : std::uint8_t {
  kInt8 = 2,
  kInt16 = 3,
  kString = 6,
  kIdent = 7,
  kFalse = 8,
  kBinary = 10,
  kSet = 11,
};

class PropertyWriter {
 public:
  explicit PropertyWriter(Writer& out) : out_(out) {}

  void Int8(const std::string& name, int value) {
    Name(name, kInt8);
    out_.I8(value, "8-bit property value");
  }
  void Int16(const std::string& name, int value) {
    Name(name, kInt16);
    out_.I16(value, "16-bit property value");
  }
  void String(const std::string& name, const std::string& value) {
    Name(name, kString);
    out_.String(value, "string property value");
  }
  void Ident(const std::string& name, const std::string& value) {
    Name(name, kIdent);
    out_.String(value, "identifier property value");
  }
  void False(const std::string& name) { Name(name, kFalse); }
  void EmptySet(const std::string& name) {
    Name(name, kSet);
    out_.U8(0, "end of set");
  }
  void Binary(const std::string& name, std::span<const std::uint8_t> bytes) {
    Name(name, kBinary);
    out_.I32(static_cast<std::int64_t>(bytes.size()), "binary property length");
    out_.Raw(bytes);
  }

 private:
  void Name(const std::string& name, std::uint8_t type) {
    out_.String(name, "property name");
    out_.U8(type, "property type");
  }

  Writer& out_;
};

}  // namespace

Bytes BuildPixelBlock(const std::array<Bytes, 4>& entries) {
  std::int64_t total = 0;
  for (const Bytes& entry : entries) total += static_cast<std::int64_t>(entry.size());
  if (total > container::kEntryAreaBytes) {
    throw std::runtime_error("the four entries take " + std::to_string(total) +
                             " bytes; the entry area holds " +
                             std::to_string(container::kEntryAreaBytes));
  }
  Bytes block;
  block.reserve(container::kBlockBytes);
  Writer out(block);
  std::int64_t offset = 0;
  for (const Bytes& entry : entries) {
    out.I32(offset, "directory Offset");
    out.I32(static_cast<std::int64_t>(entry.size()), "directory Size");
    offset += static_cast<std::int64_t>(entry.size());
  }
  for (const Bytes& entry : entries) out.Raw(entry);
  block.resize(container::kBlockBytes, 0);
  return block;
}

Bytes BuildBitmapFile(std::span<const std::uint8_t> pixel_block) {
  if (pixel_block.size() != static_cast<std::size_t>(container::kBlockBytes)) {
    throw std::runtime_error("pixel block of " + std::to_string(pixel_block.size()) +
                             " bytes; the bitmap holds exactly " +
                             std::to_string(container::kBlockBytes));
  }
  Bytes file;
  file.reserve(container::kBmpBytes);
  Writer out(file);
  // File header.
  out.Raw("BM");
  out.U32(container::kBmpBytes, "bfSize");
  out.U16(0, "bfReserved1");
  out.U16(0, "bfReserved2");
  out.U32(container::kPixelOffset, "bfOffBits");
  // Info header.
  out.U32(container::kInfoHeaderBytes, "biSize");
  out.I32(container::kBitmapWidth, "biWidth");
  out.I32(container::kBitmapHeight, "biHeight");  // positive: rows stored bottom-up
  out.U16(1, "biPlanes");
  out.U16(8, "biBitCount");
  out.U32(0, "biCompression");
  out.U32(container::kBlockBytes, "biSizeImage");
  out.I32(container::kPixelsPerMetre, "biXPelsPerMeter");
  out.I32(container::kPixelsPerMetre, "biYPelsPerMeter");
  out.U32(256, "biClrUsed");
  out.U32(256, "biClrImportant");
  // Grey ramp: blue, green, red, reserved.
  for (int k = 0; k < 256; ++k) {
    out.U8(k, "colour blue");
    out.U8(k, "colour green");
    out.U8(k, "colour red");
    out.U8(0, "colour reserved");
  }
  out.Raw(pixel_block);
  return file;
}

Bytes BuildPictureData(const std::string& class_name, std::span<const std::uint8_t> file) {
  Bytes data;
  data.reserve(1 + class_name.size() + 4 + file.size());
  Writer out(data);
  out.String(class_name, "graphic class name");
  out.I32(static_cast<std::int64_t>(file.size()), "graphic file length");
  out.Raw(file);
  return data;
}

Bytes BuildStoredForm(std::span<const std::uint8_t> picture_data) {
  Bytes form;
  form.reserve(400 + picture_data.size());
  Writer out(form);
  PropertyWriter property(out);
  out.Raw("TPF0");

  out.String("TForm1", "class name");
  out.String("Form1", "object name");
  property.Int16("Left", 366);
  property.Int16("Top", 242);
  property.Ident("BorderStyle", "bsNone");
  property.String("Caption", "Form1");
  property.Int16("ClientHeight", 170);
  property.Int16("ClientWidth", 192);
  property.Ident("Color", "clBtnFace");
  property.Ident("Font.Charset", "DEFAULT_CHARSET");
  property.Ident("Font.Color", "clWindowText");
  property.Int8("Font.Height", -11);
  property.String("Font.Name", "MS Sans Serif");
  property.EmptySet("Font.Style");
  property.False("OldCreateOrder");
  property.Ident("OnCreate", "FormCreate");
  property.Ident("OnShow", "FormShow");
  property.Int8("PixelsPerInch", 96);
  property.Int8("TextHeight", 13);
  out.U8(0, "end of Form1's properties");

  out.String("TImage", "class name");
  out.String("Image1", "object name");
  property.Int8("Left", 0);
  property.Int8("Top", 0);
  property.Int16("Width", 153);
  property.Int16("Height", 137);
  property.Binary("Picture.Data", picture_data);
  out.U8(0, "end of Image1's properties");
  out.U8(0, "end of Image1's children");

  out.U8(0, "end of Form1's children");
  return form;
}

Bytes BuildFormResource(const std::array<Bytes, 4>& entries) {
  const Bytes bitmap = BuildBitmapFile(BuildPixelBlock(entries));
  return BuildStoredForm(BuildPictureData("TBitmap", bitmap));
}

Bytes SampleEntry(int index) {
  if (index < 0 || index >= container::kEntryCount) {
    throw std::out_of_range("sample entry index " + std::to_string(index) + " is not 0 to 3");
  }
  // splitmix64 seeded by the index: each entry differs, and so does every stretch of each.
  std::uint64_t state = 0x6F70726176610000ULL + static_cast<std::uint64_t>(index);
  Bytes entry(static_cast<std::size_t>(container::kBuiltEntrySizes[index]));
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    if (i % 8 == 0) {
      std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      word = z ^ (z >> 31);
    }
    entry[i] = static_cast<std::uint8_t>(word >> (8 * (i % 8)));
  }
  return entry;
}

}  // namespace formwriter
