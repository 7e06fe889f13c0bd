// libFuzzer entry: the whole path inspect reads an installer by (PE headers, sections, resource
// tree, stored form, bitmap, directory records, the hashes of the entries), and the resource
// lookup for another resource. Any input must either read or raise InspectError; the sanitizers
// report every read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "inspect/installer.h"
#include "inspect/pe_resources.h"
#include "inspect/sha256.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  volatile char sink = 0;
  try {
    const inspect::InstallerContents contents = inspect::ReadInstaller(file);
    for (const auto& entry : contents.entries) sink = sink ^ inspect::Sha256Hex(entry)[0];
  } catch (const inspect::InspectError&) {
  }
  try {
    const inspect::PeHeaders headers = inspect::ReadPeHeaders(file);
    for (const std::uint8_t byte : inspect::FindResource(file, headers, 14, "MAINICON")) {
      sink = static_cast<char>(sink ^ byte);
    }
  } catch (const inspect::InspectError&) {
  }
  return 0;
}
