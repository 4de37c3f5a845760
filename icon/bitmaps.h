#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "icon/icon.h"

namespace exeicon {

// The two bitmaps an icon splits into, both owned by the caller. A monochrome icon
// has no colour bitmap.
struct IconBitmaps {
  std::optional<Bitmap> colour;
  std::optional<Bitmap> mask;
};

// Splits an icon into copies of its colour bitmap and mask.
IconBitmaps split_icon(const Icon& icon);

// The plain facts of a device bitmap; never a DIB section.
struct BitmapFacts {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bit_count = 0;
};

// Describes a bitmap, or gives nothing for a bitmap that isn't there.
std::optional<BitmapFacts> describe_bitmap(const Bitmap* bitmap);

// The 40-byte bitmap information header, field for field.
struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// Bytes in one row of a bitmap of this width and depth: padded to a multiple of 4.
uint64_t row_bytes(int64_t width, uint32_t bit_count);

// The 16 colours every 4-bit read uses, as 0xRRGGBB, in table order.
extern const uint32_t kVgaColours[16];

// Index of the table colour nearest to 0x..RRGGBB by the sum of squared differences;
// the lowest index wins a tie.
uint8_t nearest_vga_index(uint32_t rgb);

// Reads `lines` rows of `bitmap`, starting at row `start` counted from the bottom, into
// `bits` in the format `header` asks for (1 or 4 bits per pixel, rows padded to 4
// bytes, bottom row first), and fills `table` with the format's colour table as
// blue, green, red, 0 quads. Bytes it cannot fill are left as they are. Returns the
// number of rows read (0 for a format it can't produce: it reads a 32-bit bitmap at 4 bits
// and a 1-bit bitmap at 1 bit).
uint32_t read_bitmap_bits(const Bitmap& bitmap, uint32_t start, uint32_t lines,
                          const BitmapInfoHeader& header, std::span<uint8_t> table,
                          std::span<uint8_t> bits);

}  // namespace exeicon
