// Writes the fuzzer's seeds into a directory: small valid forms and picture data of a few shapes.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "form_samples.h"

namespace {

void Write(const std::filesystem::path& path, const samples::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: stored_form_fuzz_seeds DIR\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
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
    Write(dir / ("form" + std::to_string(n)), samples::SmallForm(bmp));
    Write(dir / ("picture" + std::to_string(n)), formwriter::BuildPictureData("TBitmap", bmp));
    ++n;
  }
  return 0;
}
