// mkicon: draws the program's icon and writes it as an .ico with one 32 x 32 image at 24 bits
// per pixel: a dusk sky over a dark hill, a crescent moon, and a white check mark for the patch.
//
//   mkicon OUTPUT.ico
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kSubsamples = 4;  // per axis, to smooth the edges

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The colour at a point of the image; y grows downwards.
Colour Sample(double x, double y) {
  const Colour zenith{24, 22, 74};
  const Colour middle{120, 62, 120};
  const Colour horizon{246, 150, 72};
  const double height = y / kSize;
  Colour c = height < 0.55 ? Mix(zenith, middle, height / 0.55)
                           : Mix(middle, horizon, (height - 0.55) / 0.45);

  // A few stars high up.
  static const std::array<std::array<double, 2>, 4> kStars = {
      {{20.5, 4.5}, {27.5, 8.5}, {4.5, 16.5}, {15.5, 11.5}}};
  for (const auto& star : kStars) {
    if (std::hypot(x - star[0], y - star[1]) < 0.6) c = {236, 232, 255};
  }

  // Crescent: a disc with a smaller disc cut out of its upper right.
  if (std::hypot(x - 10.5, y - 10.5) < 7.0 && std::hypot(x - 14.0, y - 8.0) >= 6.0) {
    c = {250, 238, 184};
  }

  // A dark hill along the bottom edge.
  if (y > 26.0 + 3.0 * std::cos((x - 6.0) / 9.0)) c = {36, 26, 48};

  // The check mark, with a thin dark outline so it reads against the sky.
  const double check = std::min(DistanceToSegment(x, y, 15.5, 21.0, 20.0, 25.5),
                                DistanceToSegment(x, y, 20.0, 25.5, 28.5, 14.0));
  if (check < 2.6) c = {28, 30, 60};
  if (check < 1.7) c = {255, 255, 255};
  return c;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> BuildIcon() {
  constexpr std::uint32_t kInfoBytes = 40;
  constexpr std::uint32_t kXorStride = (kSize * 24 + 31) / 32 * 4;  // 96
  constexpr std::uint32_t kAndStride = (kSize + 31) / 32 * 4;       // 4
  constexpr std::uint32_t kImageBytes = kInfoBytes + (kXorStride + kAndStride) * kSize;
  constexpr std::uint32_t kImageOffset = 6 + 16;

  std::vector<std::uint8_t> out;
  // ICONDIR
  Put16(out, 0);  // reserved
  Put16(out, 1);  // type: icon
  Put16(out, 1);  // image count
  // ICONDIRENTRY
  out.push_back(kSize);  // width
  out.push_back(kSize);  // height
  out.push_back(0);      // colour count: 0 above 8 bits per pixel
  out.push_back(0);      // reserved
  Put16(out, 1);         // planes
  Put16(out, 24);        // bits per pixel
  Put32(out, kImageBytes);
  Put32(out, kImageOffset);
  // BITMAPINFOHEADER; the height counts the XOR image and the AND mask together.
  Put32(out, kInfoBytes);
  Put32(out, kSize);
  Put32(out, 2 * kSize);
  Put16(out, 1);   // planes
  Put16(out, 24);  // bit count
  Put32(out, 0);   // BI_RGB
  Put32(out, (kXorStride + kAndStride) * kSize);
  Put32(out, 0);  // pixels per metre, x
  Put32(out, 0);  // pixels per metre, y
  Put32(out, 0);  // colours used
  Put32(out, 0);  // colours important
  // XOR image, bottom row first, blue-green-red.
  for (int row = kSize - 1; row >= 0; --row) {
    for (int column = 0; column < kSize; ++column) {
      Colour sum{0, 0, 0};
      for (int sy = 0; sy < kSubsamples; ++sy) {
        for (int sx = 0; sx < kSubsamples; ++sx) {
          const Colour c =
              Sample(column + (sx + 0.5) / kSubsamples, row + (sy + 0.5) / kSubsamples);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      }
      constexpr double kCount = kSubsamples * kSubsamples;
      out.push_back(static_cast<std::uint8_t>(std::lround(sum.b / kCount)));
      out.push_back(static_cast<std::uint8_t>(std::lround(sum.g / kCount)));
      out.push_back(static_cast<std::uint8_t>(std::lround(sum.r / kCount)));
    }
  }
  // AND mask: all zero, every pixel opaque.
  out.insert(out.end(), kAndStride * kSize, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: mkicon OUTPUT.ico\n";
    return 2;
  }
  const std::vector<std::uint8_t> icon = BuildIcon();
  const std::string path = argv[1];
  const std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(icon.data()), static_cast<std::streamsize>(icon.size()));
  out.close();
  if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    std::cerr << "mkicon: cannot write " << path << "\n";
    return 1;
  }
  return 0;
}
