#include "forms/stored_form.h"

#include <cstring>

#include "forms/exceptions.h"

namespace {

// Deeper nesting than any real form has; it keeps hostile input from exhausting the stack.
constexpr int kMaxDepth = 64;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw EReadError("Stored form: " + where + ": " + what);
}

// Reads forward through the resource. Every read checks the bytes that are left first, so no
// length, however large or negative, moves it outside the span.
class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Offset() const { return offset_; }
  std::size_t Left() const { return bytes_.size() - offset_; }

  // The next byte without consuming it.
  std::uint8_t Peek(const std::string& where, const char* what) const {
    Need(1, where, what);
    return bytes_[offset_];
  }

  std::span<const std::uint8_t> Take(std::size_t count, const std::string& where,
                                     const char* what) {
    Need(count, where, what);
    std::span<const std::uint8_t> taken = bytes_.subspan(offset_, count);
    offset_ += count;
    return taken;
  }

  std::uint8_t U8(const std::string& where, const char* what) { return Take(1, where, what)[0]; }

  std::int32_t I8(const std::string& where, const char* what) {
    return static_cast<std::int8_t>(U8(where, what));
  }

  std::int32_t I16(const std::string& where, const char* what) {
    std::span<const std::uint8_t> b = Take(2, where, what);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
  }

  std::int32_t I32(const std::string& where, const char* what) {
    std::span<const std::uint8_t> b = Take(4, where, what);
    std::uint32_t value =
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<std::int32_t>(value);
  }

  // A length byte and that many 8-bit characters.
  std::string String(const std::string& where, const char* what) {
    std::uint8_t length = U8(where, what);
    std::span<const std::uint8_t> chars = Take(length, where, what);
    return std::string(chars.begin(), chars.end());
  }

 private:
  void Need(std::size_t count, const std::string& where, const char* what) const {
    if (count > Left()) {
      Fail(where, std::string(what) + " runs past the end at offset " + std::to_string(offset_));
    }
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
};

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

void ReadValue(Cursor& in, TStoredProperty& property, const std::string& where) {
  std::uint8_t type = in.U8(where, "type byte");
  switch (static_cast<TValueType>(type)) {
    case TValueType::vaInt8:
      property.Integer = in.I8(where, "8-bit integer");
      break;
    case TValueType::vaInt16:
      property.Integer = in.I16(where, "16-bit integer");
      break;
    case TValueType::vaString:
      property.Text = in.String(where, "string");
      break;
    case TValueType::vaIdent:
      property.Text = in.String(where, "identifier");
      break;
    case TValueType::vaFalse:
      break;
    case TValueType::vaBinary: {
      std::int32_t length = in.I32(where, "binary length");
      if (length < 0) Fail(where, "negative binary length " + std::to_string(length));
      if (static_cast<std::size_t>(length) > in.Left()) {
        Fail(where, "binary length " + std::to_string(length) + " runs past the end at offset " +
                        std::to_string(in.Offset()));
      }
      property.Binary = in.Take(static_cast<std::size_t>(length), where, "binary");
      break;
    }
    case TValueType::vaSet:
      // Each element takes at least its length byte, so the loop ends with the input.
      for (;;) {
        std::string element = in.String(where, "set element");
        if (element.empty()) break;
        property.Set.push_back(std::move(element));
      }
      break;
    default:
      Fail(where, "unknown value type " + std::to_string(type) + " at offset " +
                      std::to_string(in.Offset() - 1));
  }
  property.Type = static_cast<TValueType>(type);
}

TStoredObject ReadObject(Cursor& in, int depth) {
  if (depth > kMaxDepth) {
    Fail("object at offset " + std::to_string(in.Offset()),
         "nested deeper than " + std::to_string(kMaxDepth) + " levels");
  }
  TStoredObject object;
  object.ClassName = in.String("object record", "class name");
  object.Name = in.String("object of class " + Quoted(object.ClassName), "object name");
  const std::string owner = Quoted(object.Name);

  // Properties until an empty name, the single 0 byte that ends the list.
  for (;;) {
    if (in.Peek("properties of " + owner, "end of the property list") == 0) {
      in.U8("properties of " + owner, "end of the property list");
      break;
    }
    TStoredProperty property;
    property.Name = in.String("properties of " + owner, "property name");
    ReadValue(in, property, "property " + Quoted(property.Name) + " of " + owner);
    object.Properties.push_back(std::move(property));
  }

  // Child records until a 0 byte.
  for (;;) {
    if (in.Peek("children of " + owner, "end of the child list") == 0) {
      in.U8("children of " + owner, "end of the child list");
      break;
    }
    object.Children.push_back(ReadObject(in, depth + 1));
  }
  return object;
}

}  // namespace

const TStoredProperty* TStoredObject::Find(std::string_view name) const {
  for (const TStoredProperty& property : Properties) {
    if (property.Name == name) return &property;
  }
  return nullptr;
}

TStoredObject ReadStoredForm(std::span<const std::uint8_t> resource) {
  Cursor in(resource);
  std::span<const std::uint8_t> signature = in.Take(4, "header", "signature");
  if (std::memcmp(signature.data(), "TPF0", 4) != 0) {
    Fail("header", "signature is not TPF0");
  }
  TStoredObject root = ReadObject(in, 0);
  if (in.Left() != 0) {
    Fail("after " + Quoted(root.Name),
         std::to_string(in.Left()) + " trailing bytes at offset " + std::to_string(in.Offset()));
  }
  return root;
}
