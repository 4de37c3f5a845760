#include "extract/extract.h"

#include <utility>

#include "extract/containers.h"
#include "extract/image.h"

namespace exeicon {

namespace {

// Builds the icon the platform hands out: a 32-bit colour bitmap and a 1-bit mask,
// or a double-height mask alone for a monochrome image.
std::unique_ptr<Icon> to_icon(const DecodedImage& image) {
  const size_t count = image.mask.size();
  if (image.monochrome) {
    Bitmap mask = Bitmap::mono(image.width, image.height * 2);
    for (size_t i = 0; i < count; ++i) {
      mask.pixels[i] = image.mask[i];
      mask.pixels[count + i] = image.xor_bits[i];
    }
    return std::make_unique<Icon>(Icon::monochrome(std::move(mask)));
  }
  Bitmap colour = Bitmap::colour(image.width, image.height);
  Bitmap mask = Bitmap::mono(image.width, image.height);
  for (size_t i = 0; i < count; ++i) {
    colour.pixels[i] = image.colour[i];
    mask.pixels[i] = image.mask[i];
  }
  return std::make_unique<Icon>(std::move(colour), std::move(mask), image.has_alpha);
}

}  // namespace

Result<std::vector<uint8_t>> icon_image_bytes(Source& source) {
  switch (sniff_file(source)) {
    case FileKind::pe: return pe_icon_image(source);
    case FileKind::ne: return ne_icon_image(source);
    case FileKind::ico: return ico_icon_image(source);
    case FileKind::unknown: break;
  }
  return Reject{"not a program or icon file"};
}

Extraction extract_icon(Source& source) {
  auto bytes = icon_image_bytes(source);
  if (!bytes) return {nullptr, bytes.why()};
  auto decoded = decode_icon_image(ByteView(*bytes));
  if (!decoded) return {nullptr, decoded.why()};
  if (decoded->width == kLargeIconSize && decoded->height == kLargeIconSize) return {to_icon(*decoded), {}};
  const DecodedImage resampled = resample(*decoded, kLargeIconSize, kLargeIconSize);
  if (resampled.width != kLargeIconSize || resampled.height != kLargeIconSize)
    return {nullptr, "image could not be resampled"};
  return {to_icon(resampled), {}};
}

Extraction extract_icon_bytes(std::span<const uint8_t> bytes) {
  MemorySource source(bytes);
  return extract_icon(source);
}

Extraction extract_icon_file(const std::string& path) {
  auto source = FileSource::open(path);
  if (!source) return {nullptr, "cannot open the file"};
  return extract_icon(*source);
}

}  // namespace exeicon
