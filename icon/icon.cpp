#include "icon/icon.h"

#include <stdexcept>
#include <utility>

namespace exeicon {

namespace {

Bitmap blank(int32_t width, int32_t height, uint16_t bit_count) {
  if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
  Bitmap b;
  b.width = width;
  b.height = height;
  b.bit_count = bit_count;
  b.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return b;
}

}  // namespace

Bitmap Bitmap::colour(int32_t width, int32_t height) { return blank(width, height, 32); }
Bitmap Bitmap::mono(int32_t width, int32_t height) { return blank(width, height, 1); }

Icon::Icon(Bitmap colour, Bitmap mask, bool has_alpha)
    : colour_(std::move(colour)), mask_(std::move(mask)), has_alpha_(has_alpha) {
  if (colour_->width != mask_.width || colour_->height != mask_.height ||
      colour_->bit_count != 32 || mask_.bit_count != 1)
    throw std::invalid_argument("colour and mask bitmaps do not match");
}

Icon::Icon(Bitmap mask) : mask_(std::move(mask)) {
  if (mask_.bit_count != 1 || mask_.height % 2 != 0)
    throw std::invalid_argument("a monochrome icon needs a double-height 1-bit mask");
}

Icon Icon::monochrome(Bitmap mask) { return Icon(std::move(mask)); }

}  // namespace exeicon
