// The stored-form resources the executable carries, used where the loader mapped them.
#include <windows.h>

#include "forms/backend.h"
#include "forms/exceptions.h"

namespace backend {

std::span<const std::uint8_t> FindFormResource(const std::string& name) {
  HMODULE module = GetModuleHandleA(nullptr);
  // RT_RCDATA, spelled out so that it is the ANSI form whatever UNICODE says.
  HRSRC info = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));
  if (info == nullptr) throw EResNotFound("Resource " + name + " not found");
  // A loaded resource of the executable needs no freeing: it lives as long as the module.
  HGLOBAL loaded = LoadResource(module, info);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) throw EResNotFound("Resource " + name + " not found");
  return {static_cast<const std::uint8_t*>(bytes), SizeofResource(module, info)};
}

}  // namespace backend
