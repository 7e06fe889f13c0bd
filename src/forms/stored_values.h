// Typed access to stored property values: a value of the wrong type raises EReadError naming the
// property, the way a form with a property of the wrong type fails to load.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/stored_form.h"

namespace stored {

int Integer(const TStoredProperty& property);
bool Boolean(const TStoredProperty& property);
const std::string& String(const TStoredProperty& property);
const std::string& Ident(const TStoredProperty& property);
const std::vector<std::string>& Set(const TStoredProperty& property);
std::span<const std::uint8_t> Binary(const TStoredProperty& property);

}  // namespace stored
