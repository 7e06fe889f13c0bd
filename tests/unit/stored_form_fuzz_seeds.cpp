// Writes the fuzzer's seeds into a directory: small valid forms and picture data of a few shapes.
#include <filesystem>
#include <string>

#include "form_samples.h"
#include "support/fuzz_seeds.h"

int main(int argc, char** argv) {
  const auto found = fuzz_seeds::Directory(argc, argv, "stored_form_fuzz_seeds");
  if (!found) return 2;
  const std::filesystem::path& dir = *found;
  const samples::BmpShape shapes[] = {
      {},
      {3, -3, 8, 2, 2, 0, 12},
      {9, 2, 4, 0, 16, 0, 16},
      {33, 2, 1, 0, 2, 0, 16},
      {5, 2, 24, 0, 0, 0, 32},
      {3, 2, 8, 2, 2, 0, 8, 124},
  };
  int n = 0;
  for (const samples::BmpShape& shape : shapes) {
    const samples::Bytes bmp = samples::BuildBmp(shape);
    fuzz_seeds::Write(dir / ("form" + std::to_string(n)), samples::SmallForm(bmp));
    fuzz_seeds::Write(dir / ("picture" + std::to_string(n)),
                      formwriter::BuildPictureData("TBitmap", bmp));
    ++n;
  }
  return 0;
}
