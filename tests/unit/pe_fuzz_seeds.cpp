// Writes the PE fuzzer's seeds into a directory: the small installers of the tests, PE32 and
// PE32+, signed-like or not, with the container bitmap and with bitmaps of other shapes.
#include <filesystem>
#include <string>

#include "pe_samples.h"
#include "support/fuzz_seeds.h"

int main(int argc, char** argv) {
  const auto found = fuzz_seeds::Directory(argc, argv, "pe_fuzz_seeds");
  if (!found) return 2;
  const std::filesystem::path& dir = *found;
  const pe_samples::Bytes forms[] = {
      samples::SmallForm(pe_samples::SmallContainerBmp(pe_samples::SmallEntries())),
      samples::SmallForm(samples::BuildBmp({})),
      samples::SmallForm(samples::BuildBmp({3, -3, 8, 2, 2, 0, 12})),
  };
  int n = 0;
  for (const pe_samples::Bytes& form : forms) {
    for (const bool pe32_plus : {false, true}) {
      for (const bool signed_like : {false, true}) {
        const pe_samples::Image image = pe_samples::SmallInstaller(pe32_plus, signed_like, form);
        fuzz_seeds::Write(dir / ("installer" + std::to_string(n++)), pe_samples::Build(image).file);
      }
    }
  }
  return 0;
}
