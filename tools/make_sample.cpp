// pxsample: draws the sample picture shipped in samples/ (a landscape with
// sky gradient, sun, clouds, mountains, textured hills, a striped field, a
// balloon, a tree and a house) and writes it as PNG and as JPEG.
//
// Usage: pxsample SAMPLE.png SAMPLE.jpg
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imageio/image_io.h"

namespace pxb {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 427;
constexpr int kSupersample = 3;
constexpr int kJpegQuality = 85;

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb Scale(Rgb a, double k) {
  return {a.r * k, a.g * k, a.b * k};
}
Rgb Add(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}

double Clamp01(double v) {
  return std::min(1.0, std::max(0.0, v));
}
double Smoothstep(double e0, double e1, double v) {
  const double t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0 - 2.0 * t);
}

// Value noise: a hashed lattice interpolated with a smooth curve, in [0, 1].
double Lattice(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
               seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 0xFFFFFF) / 16777215.0;
}

double Noise(double x, double y, uint32_t seed) {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  const auto ix = static_cast<int32_t>(fx);
  const auto iy = static_cast<int32_t>(fy);
  const double tx = Smoothstep(0.0, 1.0, x - fx);
  const double ty = Smoothstep(0.0, 1.0, y - fy);
  const double top =
      Lattice(ix, iy, seed) + (Lattice(ix + 1, iy, seed) - Lattice(ix, iy, seed)) * tx;
  const double bottom =
      Lattice(ix, iy + 1, seed) + (Lattice(ix + 1, iy + 1, seed) - Lattice(ix, iy + 1, seed)) * tx;
  return top + (bottom - top) * ty;
}

double Fractal(double x, double y, int octaves, uint32_t seed) {
  double sum = 0.0;
  double amplitude = 0.5;
  double norm = 0.0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * Noise(x, y, seed + static_cast<uint32_t>(i));
    norm += amplitude;
    amplitude *= 0.5;
    x *= 2.0;
    y *= 2.0;
  }
  return sum / norm;
}

// Everything below works in units of the picture height: x in [0, 1.5), y in
// [0, 1) from the top.
Rgb Sky(double x, double y) {
  const Rgb top{0.10, 0.16, 0.42};
  const Rgb middle{0.42, 0.45, 0.78};
  const Rgb horizon{0.99, 0.72, 0.46};
  const double t = Clamp01(y / 0.62);
  Rgb c = t < 0.55 ? Mix(top, middle, t / 0.55) : Mix(middle, horizon, (t - 0.55) / 0.45);

  const double sun = std::hypot(x - 1.08, y - 0.43);
  c = Add(c, Scale(Rgb{1.0, 0.62, 0.35}, 0.45 * std::exp(-sun * 9.0)));
  c = Mix(c, Rgb{1.0, 0.95, 0.78}, Smoothstep(0.062, 0.055, sun));

  const double band = Smoothstep(0.05, 0.18, y) * Smoothstep(0.48, 0.30, y);
  const double cloud = Smoothstep(0.52, 0.72, Fractal(x * 3.0, y * 9.0, 5, 11)) * band;
  return Mix(c, Rgb{0.97, 0.92, 0.93}, 0.8 * cloud);
}

double MountainLine(double x) {
  return 0.47 + 0.05 * std::sin(x * 5.1 + 1.0) + 0.025 * std::sin(x * 13.7) +
         0.03 * (Fractal(x * 12.0, 0.5, 4, 23) - 0.5);
}
double HillLine(double x) {
  return 0.63 + 0.05 * std::sin(x * 3.3 + 0.5) + 0.015 * std::sin(x * 9.0);
}
double FieldLine(double x) {
  return 0.80 + 0.02 * std::sin(x * 4.0 + 2.0);
}

Rgb Land(double x, double y, Rgb behind) {
  Rgb c = behind;
  const double mountain = MountainLine(x);
  if (y > mountain) {
    const double haze = Clamp01(1.0 - (y - mountain) * 5.0);
    const double rock = 0.85 + 0.3 * (Fractal(x * 20.0, y * 20.0, 3, 31) - 0.5);
    c = Mix(Scale(Rgb{0.36, 0.33, 0.55}, rock), Rgb{0.78, 0.60, 0.62}, 0.45 * haze);
  }
  const double hill = HillLine(x);
  if (y > hill) {
    const double grass = Fractal(x * 40.0, y * 40.0, 4, 47);
    const double shade = 0.75 + 0.5 * (grass - 0.5) + 0.4 * (y - hill);
    c = Scale(Mix(Rgb{0.26, 0.50, 0.20}, Rgb{0.48, 0.62, 0.22}, Fractal(x * 4.0, y * 6.0, 2, 53)),
              shade);
  }
  const double field = FieldLine(x);
  if (y > field) {
    // Crop rows converging on a point on the horizon.
    const double s = (x - 0.80) / (y - 0.58);
    const double row = 0.5 + 0.5 * std::sin(s * 22.0);
    const Rgb wheat = Mix(Rgb{0.62, 0.46, 0.18}, Rgb{0.90, 0.74, 0.34}, Smoothstep(0.3, 0.7, row));
    c = Scale(wheat, 0.85 + 0.3 * (Fractal(x * 60.0, y * 30.0, 2, 61) - 0.5));
  }
  return c;
}

Rgb Balloon(double x, double y, Rgb behind) {
  const double cx = 0.42;
  const double cy = 0.25;
  const double dx = (x - cx) / 0.10;
  const double dy = (y - cy) / 0.12;
  const double d2 = dx * dx + dy * dy;
  Rgb c = behind;
  // Ropes and basket.
  const double ropeTop = cy + 0.09;
  if (y > ropeTop && y < cy + 0.19) {
    const double t = (y - ropeTop) / 0.10;
    for (const double side : {-1.0, 1.0}) {
      const double rx = cx + side * (0.065 - 0.045 * t);
      if (std::abs(x - rx) < 0.0025) c = Rgb{0.25, 0.18, 0.12};
    }
  }
  if (std::abs(x - cx) < 0.025 && y > cy + 0.19 && y < cy + 0.23) c = Rgb{0.45, 0.28, 0.14};
  if (d2 < 1.0) {
    static constexpr Rgb kStripes[4] = {
        {0.86, 0.16, 0.16}, {0.98, 0.80, 0.18}, {0.16, 0.34, 0.80}, {0.95, 0.95, 0.92}};
    const double angle =
        std::asin(std::max(-1.0, std::min(1.0, dx / std::sqrt(1.0 - dy * dy + 1e-9))));
    const int stripe = static_cast<int>(std::floor((angle + 1.5708) / 3.14159 * 8.0)) & 3;
    const double dz = std::sqrt(1.0 - d2);
    const double light = 0.45 + 0.55 * Clamp01(0.5 * dx * -0.4 + dy * -0.4 + dz * 0.82);
    c = Scale(kStripes[stripe], light);
  }
  return c;
}

Rgb TreeAndHouse(double x, double y, Rgb behind) {
  Rgb c = behind;
  // A tree on the left hill.
  const double groundTree = HillLine(0.20);
  if (std::abs(x - 0.20) < 0.009 && y > groundTree - 0.08 && y < groundTree + 0.01)
    c = Rgb{0.30, 0.20, 0.12};
  const double crown = std::hypot((x - 0.20) / 0.06, (y - (groundTree - 0.11)) / 0.075);
  if (crown < 1.0) {
    const double leaves = Fractal(x * 90.0, y * 90.0, 2, 71);
    c = Scale(Rgb{0.12, 0.36, 0.14}, 0.7 + 0.6 * leaves - 0.25 * crown);
  }
  // A house on the right hill.
  const double ground = HillLine(1.28) + 0.01;
  const double left = 1.22;
  const double right = 1.34;
  const double eaves = ground - 0.07;
  if (x > left && x < right && y > eaves && y < ground) {
    c = Rgb{0.88, 0.84, 0.74};
    const bool window = (x > 1.240 && x < 1.265 && y > eaves + 0.015 && y < eaves + 0.035) ||
                        (x > 1.295 && x < 1.320 && y > eaves + 0.015 && y < eaves + 0.035);
    if (window) c = Rgb{0.98, 0.86, 0.40};
    if (x > 1.270 && x < 1.290 && y > eaves + 0.03) c = Rgb{0.40, 0.22, 0.14};
  }
  const double roofTop = eaves - 0.05;
  const double half = 0.07 * (y - roofTop) / (eaves - roofTop);
  if (y > roofTop && y <= eaves && std::abs(x - 1.28) < half) c = Rgb{0.62, 0.16, 0.12};
  return c;
}

Rgb Shade(double x, double y) {
  Rgb c = Sky(x, y);
  c = Land(x, y, c);
  c = TreeAndHouse(x, y, c);
  return Balloon(x, y, c);
}

uint8_t Code(double v) {
  return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0));
}

Image Draw() {
  Image image;
  std::string error;
  AllocateImage(&image, kWidth, kHeight, 3, &error);
  const double n = kSupersample * kSupersample;
  for (int py = 0; py < kHeight; ++py) {
    uint8_t* out = image.Row(py);
    for (int px = 0; px < kWidth; ++px) {
      Rgb sum{0.0, 0.0, 0.0};
      for (int sy = 0; sy < kSupersample; ++sy) {
        for (int sx = 0; sx < kSupersample; ++sx) {
          const double x = (px + (sx + 0.5) / kSupersample) / kHeight;
          const double y = (py + (sy + 0.5) / kSupersample) / kHeight;
          sum = Add(sum, Shade(x, y));
        }
      }
      *out++ = Code(sum.r / n);
      *out++ = Code(sum.g / n);
      *out++ = Code(sum.b / n);
    }
  }
  return image;
}

}  // namespace
}  // namespace pxb

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pxsample SAMPLE.png SAMPLE.jpg\n");
    return 2;
  }
  const pxb::Image image = pxb::Draw();
  std::string error;
  if (!pxb::WriteImage(argv[1], image, &error) ||
      !pxb::WriteImage(argv[2], image, &error, pxb::kJpegQuality)) {
    std::fprintf(stderr, "pxsample: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
