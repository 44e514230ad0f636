#include "tools/common/sheet.h"

#include <algorithm>
#include <string>

namespace pxb {
namespace {

// Digits 0-9 on a 3 x 5 grid, one row of three bits per line, top first.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr int kDot = 2;  // pixels per font cell
constexpr int kMargin = 12;
constexpr int kLabelHeight = 5 * kDot + 8;
constexpr uint8_t kBackground = 212;

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

Image ContactSheet(const std::vector<Image>& pictures, int rows) {
  const int n = static_cast<int>(pictures.size());
  rows = std::max(1, std::min(rows, n));
  const int columns = (n + rows - 1) / rows;
  int boxW = 1;
  int boxH = 1;
  for (const Image& p : pictures) {
    boxW = std::max(boxW, p.width + 4);
    boxH = std::max(boxH, p.height + 4);
  }
  const int cellW = boxW + kMargin;
  const int cellH = boxH + kLabelHeight + kMargin;
  Image sheet;
  std::string error;
  if (!AllocateImage(&sheet, kMargin + columns * cellW, kMargin + rows * cellH, 3, &error)) {
    return sheet;
  }
  Fill(&sheet, 0, 0, sheet.width, sheet.height, kBackground);
  for (int k = 0; k < n; ++k) {
    const Image& p = pictures[static_cast<size_t>(k)];
    const int cx = kMargin + (k / rows) * cellW;
    const int cy = kMargin + (k % rows) * cellH;
    const int fx = cx + (boxW - p.width - 4) / 2;
    const int fy = cy + (boxH - p.height - 4) / 2;
    Fill(&sheet, fx, fy, p.width + 4, p.height + 4, 0);
    Fill(&sheet, fx + 1, fy + 1, p.width + 2, p.height + 2, kBackground);
    for (int y = 0; y < p.height; ++y) {
      std::copy_n(p.Row(y), p.RowBytes(), sheet.Row(fy + 2 + y) + 3 * (fx + 2));
    }
    DrawNumber(&sheet, cx + boxW / 2 - 2 * kDot, cy + boxH + 4, k);
  }
  return sheet;
}

}  // namespace pxb
