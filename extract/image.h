#pragma once

#include <cstdint>
#include <vector>

#include "extract/byte_view.h"
#include "extract/result.h"

namespace exeicon {

// One icon image as decoded from its BMP or PNG bytes, at its own size, top row first.
struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  // A monochrome icon (1 bit, table black then white): no colour, `xor_bits` instead.
  bool monochrome = false;
  // 0xAARRGGBB per pixel; empty for a monochrome icon.
  std::vector<uint32_t> colour;
  // The mask, one value per pixel: 1 marks a transparent pixel (the AND bit).
  std::vector<uint8_t> mask;
  // For a monochrome icon only: the XOR bit per pixel.
  std::vector<uint8_t> xor_bits;
  // The alpha bytes of `colour` are used when drawing.
  bool has_alpha = false;
};

// Decodes one icon image: PNG when it starts with the PNG signature, else a BMP without
// its file header (40- or 12-byte information header, height counting both planes).
Result<DecodedImage> decode_icon_image(ByteView image);

// Resamples an image to width x height, each axis on its own: point sampling where it
// grows, an AND merge of the source pixels where it shrinks.
DecodedImage resample(const DecodedImage& image, int32_t width, int32_t height);

}  // namespace exeicon
