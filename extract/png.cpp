#include <spng.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "extract/decoders.h"
#include "extract/limits.h"

namespace exeicon {

namespace {

struct SpngFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

Reject png_reject(const char* what, int error) {
  return Reject{std::string("png: ") + what + ": " + spng_strerror(error)};
}

}  // namespace

Result<DecodedImage> decode_png(ByteView image) {
  SpngContext ctx(spng_ctx_new(0));
  if (!ctx) return Reject{"png: no decoder"};
  constexpr auto side = static_cast<uint32_t>(limits::kMaxImageSide);
  if (int error = spng_set_image_limits(ctx.get(), side, side)) return png_reject("limits", error);
  // No chunk can be longer than the image, nor can the chunks libspng keeps grow past it.
  if (int error =
          spng_set_chunk_limits(ctx.get(), limits::kMaxImageBytes, limits::kMaxImageBytes)) {
    return png_reject("limits", error);
  }
  if (int error = spng_set_png_buffer(ctx.get(), image.data(), image.size())) {
    return png_reject("buffer", error);
  }

  spng_ihdr ihdr{};
  if (int error = spng_get_ihdr(ctx.get(), &ihdr)) return png_reject("header", error);
  const int64_t width = ihdr.width;
  const int64_t height = ihdr.height;
  if (width <= 0 || height <= 0 || width > limits::kMaxImageSide ||
      height > limits::kMaxImageSide || width * height > limits::kMaxImagePixels) {
    return Reject{"png: image larger than the limit"};
  }
  const auto pixels = static_cast<size_t>(width * height);
  size_t length = 0;
  if (int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &length)) {
    return png_reject("size", error);
  }
  if (length != pixels * 4) return Reject{"png: unexpected decoded size"};
  std::vector<uint8_t> rgba(length);
  if (int error = spng_decode_image(ctx.get(), rgba.data(), rgba.size(), SPNG_FMT_RGBA8,
                                    SPNG_DECODE_TRNS)) {
    return png_reject("data", error);
  }

  DecodedImage out;
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(height);
  out.has_alpha = true;
  out.colour.resize(pixels);
  out.mask.assign(pixels, 0);
  for (size_t i = 0; i < pixels; ++i) {
    const uint32_t red = rgba[4 * i];
    const uint32_t green = rgba[4 * i + 1];
    const uint32_t blue = rgba[4 * i + 2];
    const uint32_t alpha = rgba[4 * i + 3];
    out.colour[i] = alpha << 24 | red << 16 | green << 8 | blue;
    // Without an alpha channel or a tRNS chunk every alpha is 255: nothing is transparent.
    if (alpha < 255) out.mask[i] = 1;
  }
  return out;
}

}  // namespace exeicon
