#include "forms/stored_values.h"

#include "forms/exceptions.h"

namespace stored {
namespace {

void Require(const TStoredProperty& property, bool ok, const char* wanted) {
  if (!ok) throw EReadError("Invalid property value: " + property.Name + " is not " + wanted);
}

}  // namespace

int Integer(const TStoredProperty& property) {
  Require(property, property.Type == TValueType::vaInt8 || property.Type == TValueType::vaInt16,
          "an integer");
  return property.Integer;
}

bool Boolean(const TStoredProperty& property) {
  // False is the only Boolean value the stored forms of this program carry.
  Require(property, property.Type == TValueType::vaFalse, "a Boolean");
  return false;
}

const std::string& String(const TStoredProperty& property) {
  Require(property, property.Type == TValueType::vaString, "a string");
  return property.Text;
}

const std::string& Ident(const TStoredProperty& property) {
  Require(property, property.Type == TValueType::vaIdent, "an identifier");
  return property.Text;
}

const std::vector<std::string>& Set(const TStoredProperty& property) {
  Require(property, property.Type == TValueType::vaSet, "a set");
  return property.Set;
}

std::span<const std::uint8_t> Binary(const TStoredProperty& property) {
  Require(property, property.Type == TValueType::vaBinary, "binary data");
  return property.Binary;
}

}  // namespace stored
