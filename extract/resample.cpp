#include <cstdint>
#include <vector>

#include "extract/image.h"

namespace exeicon {

namespace {

// The source positions [first, last) one destination position takes along one axis.
struct SourceRange {
  int64_t first = 0;
  int64_t last = 0;
};

int64_t nearest_source(int64_t d, int64_t n, int64_t target) {
  // floor((d + 0.5) * n / target), in integers.
  return (2 * d + 1) * n / (2 * target);
}

std::vector<SourceRange> axis_map(int64_t n, int64_t target) {
  std::vector<SourceRange> map(static_cast<size_t>(target));
  if (n <= target) {
    for (int64_t d = 0; d < target; ++d) {
      int64_t s = nearest_source(d, n, target);
      map[static_cast<size_t>(d)] = {s, s + 1};
    }
    return map;
  }
  // Source s merges into floor((s * target + target / 2 - 1) / n): for 32, (32s + 15) / n.
  // As n > target, consecutive sources step by less than one destination and the last
  // lands on target - 1, so every destination takes at least one source.
  const int64_t bias = target >= 2 ? target / 2 - 1 : 0;
  for (int64_t s = 0; s < n; ++s) {
    SourceRange& range = map[static_cast<size_t>((s * target + bias) / n)];
    if (range.first == range.last) range.first = s;
    range.last = s + 1;
  }
  return map;
}

}  // namespace

DecodedImage resample(const DecodedImage& image, int32_t width, int32_t height) {
  const int64_t source_pixels = static_cast<int64_t>(image.width) * image.height;
  const auto source_size = static_cast<size_t>(source_pixels > 0 ? source_pixels : 0);
  const bool consistent = image.width > 0 && image.height > 0 && image.mask.size() == source_size &&
                          (image.monochrome ? image.xor_bits.size() == source_size
                                            : image.colour.size() == source_size);
  if (width <= 0 || height <= 0 || !consistent) return DecodedImage{};

  const std::vector<SourceRange> columns = axis_map(image.width, width);
  const std::vector<SourceRange> rows = axis_map(image.height, height);

  DecodedImage out;
  out.width = width;
  out.height = height;
  out.monochrome = image.monochrome;
  out.has_alpha = image.has_alpha;
  const auto pixels = static_cast<size_t>(static_cast<int64_t>(width) * height);
  out.mask.resize(pixels);
  if (image.monochrome) {
    out.xor_bits.resize(pixels);
  } else {
    out.colour.resize(pixels);
  }

  for (int64_t y = 0; y < height; ++y) {
    const SourceRange& row_range = rows[static_cast<size_t>(y)];
    for (int64_t x = 0; x < width; ++x) {
      const SourceRange& column_range = columns[static_cast<size_t>(x)];
      // A bitwise AND of everything merged: a pixel is transparent only where all were.
      uint32_t colour = 0xFFFFFFFFu;
      uint8_t mask = 1;
      uint8_t xor_bit = 1;
      for (int64_t sy = row_range.first; sy < row_range.last; ++sy) {
        for (int64_t sx = column_range.first; sx < column_range.last; ++sx) {
          const auto at = static_cast<size_t>(sy * image.width + sx);
          mask &= image.mask[at];
          if (image.monochrome) {
            xor_bit &= image.xor_bits[at];
          } else {
            colour &= image.colour[at];
          }
        }
      }
      const auto to = static_cast<size_t>(y * width + x);
      out.mask[to] = mask;
      if (image.monochrome) {
        out.xor_bits[to] = xor_bit;
      } else {
        out.colour[to] = colour;
      }
    }
  }
  return out;
}

}  // namespace exeicon
