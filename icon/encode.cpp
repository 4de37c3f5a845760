#include "icon/encode.h"

#include <cstdint>
#include <vector>

#include "icon/bitmaps.h"
#include "icon/failure.h"

namespace exeicon {

namespace {

// Bitmaps past this make no .ico anyone could use; refuse them rather than allocate.
constexpr uint64_t kMaxPlaneBytes = 64ull << 20;

struct PlaneSizes {
  uint64_t info = 0;   // header plus colour table
  uint64_t image = 0;  // pixel bytes
};

// Describes a bitmap as a 40-byte header asking for `colours` colours (2 or 16),
// starting from an all-zero header because a device bitmap is not a DIB section.
BitmapInfoHeader describe_for(const Bitmap* bitmap, int colours) {
  const auto facts = describe_bitmap(bitmap);
  if (!facts) throw Failure(kBitmapInvalid);
  BitmapInfoHeader h;
  h.biSize = 40;
  h.biWidth = facts->width;
  h.biHeight = facts->height;
  if (colours == 2) {
    h.biBitCount = 1;  // colours used stays as it was
  } else {
    h.biBitCount = 4;
    h.biClrUsed = 16;
  }
  h.biPlanes = 1;
  if (h.biClrImportant > h.biClrUsed) h.biClrImportant = h.biClrUsed;
  if (h.biSizeImage == 0) {
    const int64_t height = h.biHeight;
    const uint64_t size = row_bytes(h.biWidth, h.biBitCount) * static_cast<uint64_t>(height < 0 ? -height : height);
    if (size > kMaxPlaneBytes) throw Failure(kBitmapInvalid);
    h.biSizeImage = static_cast<uint32_t>(size);
  }
  return h;
}

PlaneSizes sizes_of(const BitmapInfoHeader& h) {
  const uint64_t entries = h.biClrUsed != 0 ? h.biClrUsed : uint64_t{1} << h.biBitCount;
  return {40 + 4 * entries, h.biSizeImage};
}

void put_u16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8 & 0xFF));
}

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
  put_u16(out, v & 0xFFFF);
  put_u16(out, v >> 16);
}

void put_header(std::vector<uint8_t>& info, const BitmapInfoHeader& h) {
  put_u32(info, h.biSize);
  put_u32(info, static_cast<uint32_t>(h.biWidth));
  put_u32(info, static_cast<uint32_t>(h.biHeight));
  put_u16(info, h.biPlanes);
  put_u16(info, h.biBitCount);
  put_u32(info, h.biCompression);
  put_u32(info, h.biSizeImage);
  put_u32(info, static_cast<uint32_t>(h.biXPelsPerMeter));
  put_u32(info, static_cast<uint32_t>(h.biYPelsPerMeter));
  put_u32(info, h.biClrUsed);
  put_u32(info, h.biClrImportant);
}

// Reads a bitmap's pixels in the format of `h` (described afresh) into the buffers.
void read_plane(const Bitmap* bitmap, int colours, BitmapInfoHeader& h,
                std::vector<uint8_t>& info, std::vector<uint8_t>& pixels) {
  h = describe_for(bitmap, colours);
  // Whether the read succeeds is not consulted: what it did not fill stays zero.
  read_bitmap_bits(*bitmap, 0, static_cast<uint32_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight),
                   h, std::span<uint8_t>(info).subspan(40), pixels);
}

std::vector<uint8_t> encode(const Icon& icon) {
  // The copies are released on every path when they go out of scope.
  const IconBitmaps bitmaps = split_icon(icon);
  const Bitmap* mask = bitmaps.mask ? &*bitmaps.mask : nullptr;
  const Bitmap* colour = bitmaps.colour ? &*bitmaps.colour : nullptr;

  BitmapInfoHeader mask_h = describe_for(mask, 2);
  const PlaneSizes mask_sizes = sizes_of(mask_h);
  BitmapInfoHeader colour_h = describe_for(colour, 16);
  const PlaneSizes colour_sizes = sizes_of(colour_h);

  std::vector<uint8_t> mask_info(mask_sizes.info), mask_pixels(mask_sizes.image);
  std::vector<uint8_t> colour_info(colour_sizes.info), colour_pixels(colour_sizes.image);

  read_plane(mask, 2, mask_h, mask_info, mask_pixels);
  read_plane(colour, 16, colour_h, colour_info, colour_pixels);

  const uint64_t image_bytes = colour_sizes.info + colour_sizes.image + mask_sizes.image;
  std::vector<uint8_t> out;
  out.reserve(22 + image_bytes);
  put_u16(out, 0);  // reserved
  put_u16(out, 1);  // resource type: icon
  put_u16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(colour_h.biWidth & 0xFF));
  out.push_back(static_cast<uint8_t>(colour_h.biHeight & 0xFF));  // not doubled here
  // The colour count field holds planes x bit count (4), written as a 16-bit value.
  put_u16(out, static_cast<uint32_t>(colour_h.biPlanes * colour_h.biBitCount) & 0xFFFF);
  put_u16(out, 0);  // planes
  put_u16(out, 0);  // bit count
  put_u32(out, static_cast<uint32_t>(image_bytes));
  put_u32(out, 22);

  // The written description's height counts colour and mask rows together.
  colour_h.biHeight = static_cast<int32_t>(static_cast<uint32_t>(colour_h.biHeight) * 2u);
  std::vector<uint8_t> header;
  put_header(header, colour_h);
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), colour_info.begin() + 40, colour_info.end());
  out.insert(out.end(), colour_pixels.begin(), colour_pixels.end());
  out.insert(out.end(), mask_pixels.begin(), mask_pixels.end());
  return out;
}

}  // namespace

const std::vector<uint8_t>& ico_bytes(Icon* icon) {
  if (icon == nullptr) throw Failure(kIconInvalid);
  if (const auto* kept = icon->encoded()) return *kept;
  icon->keep_encoded(encode(*icon));
  return *icon->encoded();
}

}  // namespace exeicon
