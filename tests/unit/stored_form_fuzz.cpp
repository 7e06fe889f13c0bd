// libFuzzer entry: the stored-form reader with the picture loader behind it, and the picture
// loader alone. Any input must either load or raise one of the layer's errors; the sanitizers
// report every read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "form_samples.h"
#include "forms/exceptions.h"
#include "forms/graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  try {
    samples::LoadForm(input);
  } catch (const EReadError&) {
  } catch (const EInvalidGraphic&) {
  }
  try {
    TPicture picture;
    picture.LoadFromData(input);
    const TBitmap* bitmap = picture.Bitmap();
    volatile std::uint8_t sink = 0;
    for (int row = 0; row < bitmap->Height(); ++row) {
      const std::uint8_t* line = bitmap->ScanLine(row);
      sink = sink + line[0] + line[bitmap->Stride() - 1];
    }
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
