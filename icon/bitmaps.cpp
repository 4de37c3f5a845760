#include "icon/bitmaps.h"

#include <algorithm>

namespace exeicon {

const uint32_t kVgaColours[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
    0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

IconBitmaps split_icon(const Icon& icon) {
  IconBitmaps out;
  if (const Bitmap* colour = icon.colour()) out.colour = *colour;
  out.mask = icon.mask();
  return out;
}

std::optional<BitmapFacts> describe_bitmap(const Bitmap* bitmap) {
  if (bitmap == nullptr) return std::nullopt;
  return BitmapFacts{bitmap->width, bitmap->height, 1, bitmap->bit_count};
}

uint64_t row_bytes(int64_t width, uint32_t bit_count) {
  const uint64_t bits = static_cast<uint64_t>(width < 0 ? -width : width) * bit_count;
  return ((bits + 31) & ~uint64_t{31}) / 8;
}

uint8_t nearest_vga_index(uint32_t rgb) {
  const int r = static_cast<int>(rgb >> 16 & 0xFF);
  const int g = static_cast<int>(rgb >> 8 & 0xFF);
  const int b = static_cast<int>(rgb & 0xFF);
  uint8_t best = 0;
  int best_distance = 1 << 30;
  for (uint8_t i = 0; i < 16; ++i) {
    const int dr = r - static_cast<int>(kVgaColours[i] >> 16 & 0xFF);
    const int dg = g - static_cast<int>(kVgaColours[i] >> 8 & 0xFF);
    const int db = b - static_cast<int>(kVgaColours[i] & 0xFF);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {  // strict: the lowest index wins a tie
      best_distance = distance;
      best = i;
    }
  }
  return best;
}

namespace {

void put_quad(std::span<uint8_t> table, size_t index, uint32_t rgb) {
  if (table.size() < (index + 1) * 4) return;
  table[index * 4 + 0] = static_cast<uint8_t>(rgb & 0xFF);
  table[index * 4 + 1] = static_cast<uint8_t>(rgb >> 8 & 0xFF);
  table[index * 4 + 2] = static_cast<uint8_t>(rgb >> 16 & 0xFF);
  table[index * 4 + 3] = 0;
}

// The value a pixel takes in the requested depth: a colour's nearest table index at 4
// bits, a mask bit as it is at 1.
uint8_t pixel_value(uint32_t value, uint16_t bit_count) {
  return bit_count == 4 ? nearest_vga_index(value & 0xFFFFFF) : static_cast<uint8_t>(value ? 1 : 0);
}

}  // namespace

uint32_t read_bitmap_bits(const Bitmap& bitmap, uint32_t start, uint32_t lines,
                          const BitmapInfoHeader& header, std::span<uint8_t> table,
                          std::span<uint8_t> bits) {
  const uint16_t depth = header.biBitCount;
  // The reads an icon needs: its colour bitmap at 4 bits, its mask at 1.
  if (!(depth == 4 && bitmap.bit_count == 32) && !(depth == 1 && bitmap.bit_count == 1)) return 0;
  if (depth == 4) {
    for (size_t i = 0; i < 16; ++i) put_quad(table, i, kVgaColours[i]);
  } else {
    put_quad(table, 0, 0x000000);
    put_quad(table, 1, 0xFFFFFF);
  }
  if (header.biWidth <= 0 || bitmap.width <= 0 || bitmap.height <= 0) return 0;

  const uint64_t stride = row_bytes(header.biWidth, depth);
  const uint32_t height = static_cast<uint32_t>(bitmap.height);
  const int32_t width = std::min(header.biWidth, bitmap.width);
  uint32_t done = 0;
  for (uint32_t line = start; line < height && line - start < lines; ++line) {
    const uint64_t offset = static_cast<uint64_t>(line - start) * stride;
    if (offset > bits.size() || stride > bits.size() - offset) break;
    uint8_t* row = bits.data() + offset;
    const int32_t y = static_cast<int32_t>(height - 1 - line);  // bottom row first
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t v = pixel_value(bitmap.at(x, y), depth);
      const auto ux = static_cast<uint32_t>(x);
      if (depth == 4) {
        const uint32_t shift = (ux & 1) ? 0 : 4;
        row[ux / 2] = static_cast<uint8_t>((row[ux / 2] & ~(0xF << shift)) | v << shift);
      } else {
        const uint32_t shift = 7 - (ux & 7);
        row[ux / 8] = static_cast<uint8_t>((row[ux / 8] & ~(1 << shift)) | v << shift);
      }
    }
    ++done;
  }
  return done;
}

}  // namespace exeicon
