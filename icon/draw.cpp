#include "icon/draw.h"

#include <algorithm>

namespace exeicon {

namespace {

uint32_t bits_to_rgb(uint32_t bit) { return bit ? 0xFFFFFFu : 0u; }

// Straight (not premultiplied) alpha over an opaque background, per channel.
uint32_t blend(uint32_t colour, uint32_t background) {
  const uint32_t a = colour >> 24;
  uint32_t out = 0xFF000000u;
  for (uint32_t shift = 0; shift < 24; shift += 8) {
    const uint32_t c = colour >> shift & 0xFF;
    const uint32_t d = background >> shift & 0xFF;
    out |= ((c * a + d * (255 - a) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

void draw_icon(const Icon& icon, std::span<uint32_t> surface, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  if (surface.size() / static_cast<size_t>(width) < static_cast<size_t>(height)) return;
  const int32_t w = std::min(width, icon.width());
  const int32_t h = std::min(height, icon.height());
  const Bitmap& mask = icon.mask();
  const Bitmap* colour = icon.colour();
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint32_t& d = surface[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      if (colour == nullptr) {  // monochrome: AND half above, XOR half below
        const uint32_t and_rgb = bits_to_rgb(mask.at(x, y));
        const uint32_t xor_rgb = bits_to_rgb(mask.at(x, y + icon.height()));
        d = 0xFF000000u | (((d & and_rgb) ^ xor_rgb) & 0xFFFFFFu);
      } else if (icon.has_alpha()) {
        d = blend(colour->at(x, y), d);
      } else {
        const uint32_t and_rgb = bits_to_rgb(mask.at(x, y));
        d = 0xFF000000u | (((d & and_rgb) ^ colour->at(x, y)) & 0xFFFFFFu);
      }
    }
  }
}

}  // namespace exeicon
