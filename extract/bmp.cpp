#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "extract/decoders.h"
#include "extract/limits.h"
#include "icon/bitmaps.h"

namespace exeicon {

namespace {

constexpr uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr uint32_t kCoreHeaderSize = 12;  // BITMAPCOREHEADER
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

// The fields of either header that decoding uses, under the 40-byte header's names.
struct BitmapHeader {
  uint32_t biSize = 0;
  int64_t biWidth = 0;
  int64_t biHeight = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = kBiRgb;
  uint32_t biClrUsed = 0;
};

Result<BitmapHeader> read_header(ByteView image) {
  auto size = image.read_u32(0);
  if (!size) return Reject{"bmp: no header"};
  BitmapHeader header;
  header.biSize = *size;
  if (*size == kInfoHeaderSize) {
    auto width = image.read_i32(4);
    auto height = image.read_i32(8);
    auto bit_count = image.read_u16(14);
    auto compression = image.read_u32(16);
    auto clr_used = image.read_u32(32);
    if (!width || !height || !bit_count || !compression || !clr_used) {
      return Reject{"bmp: header cut short"};
    }
    header.biWidth = *width;
    header.biHeight = *height;
    header.biBitCount = *bit_count;
    header.biCompression = *compression;
    header.biClrUsed = *clr_used;
  } else if (*size == kCoreHeaderSize) {
    auto width = image.read_u16(4);
    auto height = image.read_u16(6);
    auto bit_count = image.read_u16(10);
    if (!width || !height || !bit_count) return Reject{"bmp: header cut short"};
    header.biWidth = *width;
    header.biHeight = *height;
    header.biBitCount = *bit_count;
  } else {
    return Reject{"bmp: header size " + std::to_string(*size) + " is not an icon's"};
  }
  return header;
}

// One colour channel of a 16- or 32-bit pixel, as a mask of its bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;
};

Channel make_channel(uint32_t mask) {
  Channel channel;
  channel.mask = mask;
  if (mask == 0) return channel;
  channel.shift = std::countr_zero(mask);
  channel.width = static_cast<int>(std::bit_width(mask >> channel.shift));
  return channel;
}

// Widens a value of `width` bits to 8 by repeating its bits from the top (abcde ->
// abcdeabc); a wider value keeps its top 8 bits.
uint8_t widen(uint32_t value, int width) {
  if (width <= 0) return 0;
  if (width >= 8) return static_cast<uint8_t>(value >> (width - 8));
  uint32_t out = 0;
  int bits = 0;
  while (bits < 8) {
    out = out << width | value;
    bits += width;
  }
  return static_cast<uint8_t>(out >> (bits - 8));
}

uint8_t channel_value(uint32_t pixel, const Channel& channel) {
  return widen((pixel & channel.mask) >> channel.shift, channel.width);
}

uint32_t rgb(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<uint32_t>(red) << 16 | static_cast<uint32_t>(green) << 8 | blue;
}

uint8_t byte_at(ByteView view, uint64_t offset) { return view.read_u8(offset).value_or(0); }

// The pixel at column x of a row of 1, 4 or 8 bits per pixel: a colour table index.
uint32_t index_at(ByteView row, int64_t x, uint32_t bits) {
  uint64_t bit = static_cast<uint64_t>(x) * bits;
  uint8_t byte = byte_at(row, bit / 8);
  auto shift = static_cast<unsigned>(8 - bits - bit % 8);
  return static_cast<uint32_t>(byte >> shift) & ((1u << bits) - 1);
}

}  // namespace

Result<DecodedImage> decode_bmp(ByteView image) {
  auto parsed = read_header(image);
  if (!parsed) return parsed.reject();
  const BitmapHeader& header = *parsed;

  const uint32_t bits = header.biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return Reject{"bmp: bit count " + std::to_string(bits) + " is not an icon's"};
  }
  const bool bitfields = header.biCompression == kBiBitfields && (bits == 16 || bits == 32);
  if (header.biCompression != kBiRgb && !bitfields) {
    return Reject{"bmp: compression " + std::to_string(header.biCompression)};
  }
  // The stored height counts the colour rows and the mask rows together.
  const int64_t width = header.biWidth;
  const int64_t height = header.biHeight / 2;
  if (width <= 0 || height <= 0) return Reject{"bmp: empty or upside-down image"};
  if (width > limits::kMaxImageSide || height > limits::kMaxImageSide ||
      width * height > limits::kMaxImagePixels) {
    return Reject{"bmp: image larger than the limit"};
  }
  // Deeper images only skip their table, so any count whose bytes are there will do.
  if (bits <= 8 && header.biClrUsed > limits::kMaxColourTableEntries) {
    return Reject{"bmp: colours used " + std::to_string(header.biClrUsed)};
  }

  uint64_t offset = header.biSize;
  Channel red = make_channel(bits == 16 ? 0x7C00 : 0xFF0000);
  Channel green = make_channel(bits == 16 ? 0x03E0 : 0x00FF00);
  Channel blue = make_channel(bits == 16 ? 0x001F : 0x0000FF);
  if (bitfields && header.biSize == kInfoHeaderSize) {
    auto red_mask = image.read_u32(offset);
    auto green_mask = image.read_u32(offset + 4);
    auto blue_mask = image.read_u32(offset + 8);
    if (!red_mask || !green_mask || !blue_mask) return Reject{"bmp: bit-field masks cut short"};
    red = make_channel(*red_mask);
    green = make_channel(*green_mask);
    blue = make_channel(*blue_mask);
    offset += 12;
  }
  // A 32-bit pixel's top byte is its alpha, unless the bit fields give it to a colour.
  const bool alpha_free = bits == 32 && ((red.mask | green.mask | blue.mask) >> 24) == 0;

  // The core header always has a full table of 3-byte entries.
  const bool core = header.biSize == kCoreHeaderSize;
  uint32_t table_entries = header.biClrUsed;
  if (table_entries == 0 && bits <= 8) table_entries = 1u << bits;
  const uint64_t entry_size = core ? 3 : 4;
  auto table_bytes = image.sub(offset, table_entries * entry_size);
  if (!table_bytes) return Reject{"bmp: colour table cut short"};
  std::vector<uint32_t> table(bits <= 8 ? table_entries : 0);
  for (uint32_t i = 0; i < table.size(); ++i) {
    uint64_t at = i * entry_size;
    table[i] = rgb(byte_at(*table_bytes, at + 2), byte_at(*table_bytes, at + 1),
                   byte_at(*table_bytes, at));
  }
  offset += table_bytes->size();

  const uint64_t stride = row_bytes(width, bits);
  auto colour_rows = image.sub(offset, stride * static_cast<uint64_t>(height));
  if (!colour_rows) return Reject{"bmp: colour rows cut short"};
  offset += colour_rows->size();
  const uint64_t mask_stride = row_bytes(width, 1);
  // Data that ends before the mask rows leaves the mask to alpha, or to nothing.
  auto mask_rows = image.sub(offset, mask_stride * static_cast<uint64_t>(height));

  const auto pixels = static_cast<size_t>(width * height);
  DecodedImage out;
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(height);
  out.mask.assign(pixels, 0);

  // Entries 0 and 1 are the only ones a 1-bit pixel can reach.
  out.monochrome = bits == 1 && table.size() >= 2 && table[0] == kBlack && table[1] == kWhite;
  if (out.monochrome) {
    out.xor_bits.resize(pixels);
  } else {
    out.colour.resize(pixels);
  }

  bool any_alpha = false;
  for (int64_t y = 0; y < height; ++y) {
    // Rows are stored bottom row first.
    auto row = colour_rows->sub(static_cast<uint64_t>(height - 1 - y) * stride, stride)
                   .value_or(ByteView());
    const auto base = static_cast<size_t>(y * width);
    for (int64_t x = 0; x < width; ++x) {
      const size_t at = base + static_cast<size_t>(x);
      if (bits <= 8) {
        uint32_t index = index_at(row, x, bits);
        if (out.monochrome) {
          out.xor_bits[at] = static_cast<uint8_t>(index);
        } else {
          // An index past the table has no colour of its own: black.
          out.colour[at] = index < table.size() ? table[index] : kBlack;
        }
        continue;
      }
      const uint64_t first = static_cast<uint64_t>(x) * (bits / 8);
      if (bits == 24) {
        out.colour[at] = rgb(byte_at(row, first + 2), byte_at(row, first + 1), byte_at(row, first));
        continue;
      }
      uint32_t pixel = 0;
      if (bits == 16) {
        pixel = row.read_u16(first).value_or(0);
      } else {
        pixel = row.read_u32(first).value_or(0);
      }
      uint32_t colour =
          rgb(channel_value(pixel, red), channel_value(pixel, green), channel_value(pixel, blue));
      if (alpha_free) {
        colour |= pixel & 0xFF000000u;
        any_alpha = any_alpha || (pixel >> 24) != 0;
      }
      out.colour[at] = colour;
    }
  }
  out.has_alpha = any_alpha;

  bool mask_marks_any = false;
  if (mask_rows) {
    for (int64_t y = 0; y < height; ++y) {
      auto row = mask_rows->sub(static_cast<uint64_t>(height - 1 - y) * mask_stride, mask_stride)
                     .value_or(ByteView());
      for (int64_t x = 0; x < width; ++x) {
        uint8_t bit = static_cast<uint8_t>(index_at(row, x, 1));
        out.mask[static_cast<size_t>(y * width + x)] = bit;
        mask_marks_any = mask_marks_any || bit != 0;
      }
    }
  }
  // Alpha gives the mask when the mask rows are missing, and (this project's mend) when
  // they mark nothing: colours meant to be invisible would otherwise show.
  if (out.has_alpha && !mask_marks_any) {
    for (size_t i = 0; i < pixels; ++i) {
      out.mask[i] = (out.colour[i] >> 24) < 255 ? 1 : 0;
    }
  }
  return out;
}

}  // namespace exeicon
