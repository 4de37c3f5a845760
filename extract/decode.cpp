#include <array>
#include <cstdint>

#include "extract/decoders.h"
#include "extract/image.h"
#include "extract/limits.h"

namespace exeicon {

namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool starts_with_png_signature(ByteView image) {
  for (size_t i = 0; i < kPngSignature.size(); ++i) {
    if (image.read_u8(i) != kPngSignature[i]) return false;
  }
  return true;
}

}  // namespace

Result<DecodedImage> decode_icon_image(ByteView image) {
  if (image.size() > limits::kMaxImageBytes) return Reject{"image larger than the limit"};
  if (starts_with_png_signature(image)) return decode_png(image);
  return decode_bmp(image);
}

}  // namespace exeicon
