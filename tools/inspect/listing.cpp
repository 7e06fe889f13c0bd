#include "inspect/listing.h"

#include <cstdio>

#include "inspect/sha256.h"
#include "mkform/file_io.h"
#include "patch/patch.h"

namespace inspect {

void PrintListing(std::ostream& out, const std::string& file_name,
                  const InstallerContents& contents) {
  out << file_name << ": " << Describe(contents.pe) << ", RCDATA TFORM1 "
      << fileio::Grouped(static_cast<std::int64_t>(contents.resource_bytes)) << " bytes\n";
  out << "form " << contents.form_name << " (" << contents.form_class << "), picture "
      << contents.width << " x " << contents.height << " at " << contents.bit_count << " bits\n";
  for (std::size_t i = 0; i < contents.entries.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%zu  %-14s %9zu  ", i, TargetFiles[i],
                  contents.entries[i].size());
    out << line << Sha256Hex(contents.entries[i]) << "\n";
  }
}

}  // namespace inspect
