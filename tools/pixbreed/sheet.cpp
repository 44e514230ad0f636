#include "tools/pixbreed/sheet.h"

#include <algorithm>
#include <string>

namespace pxb::cli {
namespace {

// Digits 0-9 on a 3 x 5 grid, one row of three bits per line, top first.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr int kDot = 2;  // pixels per font cell
constexpr int kMargin = 12;
constexpr int kLabelHeight = 5 * kDot + 8;

void Fill(Image* img, int x0, int y0, int w, int h, uint8_t v) {
  for (int y = std::max(0, y0); y < std::min(img->height, y0 + h); ++y) {
    for (int x = std::max(0, x0); x < std::min(img->width, x0 + w); ++x) {
      std::fill_n(img->Row(y) + 3 * x, 3, v);
    }
  }
}

void DrawNumber(Image* img, int x, int y, int n) {
  for (char c : std::to_string(n)) {
    const uint8_t* glyph = kDigits[c - '0'];
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 3; ++col) {
        if ((glyph[row] >> (2 - col)) & 1) Fill(img, x + col * kDot, y + row * kDot, kDot, kDot, 0);
      }
    }
    x += 4 * kDot;
  }
}

}  // namespace

Image ContactSheet(const std::vector<Image>& pictures, Size frame, int box) {
  const int n = static_cast<int>(pictures.size());
  const int rows = std::min(n, 3);
  const int columns = (n + 2) / 3;
  const int cellW = box + kMargin;
  const int cellH = frame.height + kLabelHeight + kMargin;
  Image sheet;
  std::string error;
  AllocateImage(&sheet, kMargin + columns * cellW, kMargin + rows * cellH, 3, &error);
  Fill(&sheet, 0, 0, sheet.width, sheet.height, 212);
  for (int k = 0; k < n; ++k) {
    const int cx = kMargin + (k / 3) * cellW;
    const int cy = kMargin + (k % 3) * cellH;
    const int fx = cx + (box - frame.width) / 2;
    const int fy = cy;
    Fill(&sheet, fx, fy, frame.width, frame.height, 0);
    Fill(&sheet, fx + 1, fy + 1, frame.width - 2, frame.height - 2, 212);
    const Image& p = pictures[static_cast<size_t>(k)];
    for (int y = 0; y < p.height; ++y) {
      std::copy_n(p.Row(y), p.RowBytes(), sheet.Row(fy + 2 + y) + 3 * (fx + 2));
    }
    DrawNumber(&sheet, cx + box / 2 - 2 * kDot, fy + frame.height + 4, k);
  }
  return sheet;
}

}  // namespace pxb::cli
