// Reader of the stored-form format ("TPF0"): a tree of object records with typed properties.
// Every length is checked against the bytes that are left; any malformed input raises EReadError
// naming what is wrong, and nothing outside the given bytes is ever read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The type byte in front of every property value.
enum class TValueType : std::uint8_t {
  vaInt8 = 2,
  vaInt16 = 3,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaBinary = 10,
  vaSet = 11,
};

struct TStoredProperty {
  std::string Name;
  TValueType Type = TValueType::vaFalse;
  std::int32_t Integer = 0;              // vaInt8, vaInt16
  std::string Text;                      // vaString, vaIdent
  std::vector<std::string> Set;          // vaSet
  std::span<const std::uint8_t> Binary;  // vaBinary: a view into the resource, never a copy
};

struct TStoredObject {
  std::string ClassName;
  std::string Name;
  std::vector<TStoredProperty> Properties;
  std::vector<TStoredObject> Children;

  // The property of that name, or nullptr.
  const TStoredProperty* Find(std::string_view name) const;
};

// Reads the whole resource: signature, the root object record, and nothing after it.
TStoredObject ReadStoredForm(std::span<const std::uint8_t> resource);
