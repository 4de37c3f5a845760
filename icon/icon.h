#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace exeicon {

// A plain device bitmap, top row first, one value per pixel: 0xAARRGGBB for a 32-bit
// colour bitmap, 0 or 1 for a 1-bit bitmap (in a mask, 1 marks a transparent pixel).
struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bit_count = 0;  // 32 or 1
  std::vector<uint32_t> pixels;

  static Bitmap colour(int32_t width, int32_t height);  // all 0
  static Bitmap mono(int32_t width, int32_t height);    // all 0

  uint32_t at(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  uint32_t& at(int32_t x, int32_t y) {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  bool operator==(const Bitmap&) const = default;
};

// An icon: a 32-bit colour bitmap and a 1-bit mask of the same size, or, for a
// monochrome icon, no colour bitmap and a mask twice as tall (AND half above, XOR half
// below). It also keeps its .ico bytes once they have been encoded.
class Icon {
 public:
  // A colour icon. has_alpha: the colour's alpha bytes are used when drawing.
  Icon(Bitmap colour, Bitmap mask, bool has_alpha);
  // A monochrome icon from its double-height mask.
  static Icon monochrome(Bitmap mask);

  int32_t width() const { return mask_.width; }
  int32_t height() const { return colour_ ? colour_->height : mask_.height / 2; }
  bool is_monochrome() const { return !colour_.has_value(); }
  bool has_alpha() const { return has_alpha_; }

  const Bitmap* colour() const { return colour_ ? &*colour_ : nullptr; }
  const Bitmap& mask() const { return mask_; }
  Bitmap* colour() { return colour_ ? &*colour_ : nullptr; }
  Bitmap& mask() { return mask_; }

  // The encoded .ico bytes kept with this icon, or null before the first encoding.
  const std::vector<uint8_t>* encoded() const { return encoded_ ? &*encoded_ : nullptr; }
  void keep_encoded(std::vector<uint8_t> bytes) { encoded_ = std::move(bytes); }

 private:
  explicit Icon(Bitmap mask);

  std::optional<Bitmap> colour_;
  Bitmap mask_;
  bool has_alpha_ = false;
  std::optional<std::vector<uint8_t>> encoded_;
};

}  // namespace exeicon
