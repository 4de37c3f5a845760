#pragma once

// Builders for the BMP and PNG bytes of one icon image, so that each malformation a test
// needs is one patch of a well-formed image.

#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace exeicon::testing {

inline void put_u16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2);
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void put_u32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  put_u16(bytes, offset, static_cast<uint16_t>(value));
  put_u16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

// One BMP icon image. Pixels and mask are top row first; they are written bottom row first.
struct BmpLayout {
  uint32_t header_size = 40;  // 40 or 12; anything else is written as a 40-byte header
  int32_t width = 2;
  int32_t height = 2;  // the image's height: the header says twice as much
  uint16_t bit_count = 24;
  uint32_t compression = 0;
  uint32_t clr_used = 0;
  std::vector<uint32_t> masks = {};  // bit-field masks (red, green, blue), written after the header
  std::vector<uint32_t> table = {};  // 0xRRGGBB entries: 4 bytes each, 3 under the 12-byte header
  std::vector<uint32_t> pixels = {};  // a table index, a raw 16- or 32-bit value, or 0xRRGGBB at 24
  std::vector<uint8_t> mask = {};     // 1 = transparent; empty: the data ends before the mask rows
};

inline void put_row_bits(std::vector<uint8_t>& row, size_t x, unsigned bits, uint32_t value) {
  const size_t bit = x * bits;
  const auto shift = static_cast<unsigned>(8 - bits - bit % 8);
  row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (value & ((1u << bits) - 1)) << shift);
}

inline std::vector<uint8_t> build_bmp(const BmpLayout& layout) {
  const bool core = layout.header_size == 12;
  std::vector<uint8_t> out;
  put_u32(out, 0, layout.header_size);
  if (core) {
    put_u16(out, 4, static_cast<uint16_t>(layout.width));
    put_u16(out, 6, static_cast<uint16_t>(layout.height * 2));
    put_u16(out, 8, 1);
    put_u16(out, 10, layout.bit_count);
  } else {
    put_u32(out, 4, static_cast<uint32_t>(layout.width));
    put_u32(out, 8, static_cast<uint32_t>(layout.height * 2));
    put_u16(out, 12, 1);
    put_u16(out, 14, layout.bit_count);
    put_u32(out, 16, layout.compression);
    put_u32(out, 32, layout.clr_used);
    put_u32(out, 36, 0);
  }
  for (uint32_t m : layout.masks) put_u32(out, out.size(), m);
  for (uint32_t entry : layout.table) {
    out.push_back(static_cast<uint8_t>(entry));
    out.push_back(static_cast<uint8_t>(entry >> 8));
    out.push_back(static_cast<uint8_t>(entry >> 16));
    if (!core) out.push_back(0);
  }
  const auto width = static_cast<size_t>(layout.width);
  const auto height = static_cast<size_t>(layout.height);
  const size_t stride = (width * layout.bit_count + 31) / 32 * 4;
  for (size_t r = 0; r < height; ++r) {
    const size_t y = height - 1 - r;
    std::vector<uint8_t> row(stride);
    for (size_t x = 0; x < width; ++x) {
      const uint32_t p = layout.pixels.at(y * width + x);
      switch (layout.bit_count) {
        case 24:
          row[3 * x] = static_cast<uint8_t>(p);
          row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
          row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
          break;
        case 16:
          put_u16(row, 2 * x, static_cast<uint16_t>(p));
          break;
        case 32:
          put_u32(row, 4 * x, p);
          break;
        default:
          put_row_bits(row, x, layout.bit_count, p);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  if (!layout.mask.empty()) {
    const size_t mask_stride = (width + 31) / 32 * 4;
    for (size_t r = 0; r < height; ++r) {
      const size_t y = height - 1 - r;
      std::vector<uint8_t> row(mask_stride);
      for (size_t x = 0; x < width; ++x) put_row_bits(row, x, 1, layout.mask.at(y * width + x));
      out.insert(out.end(), row.begin(), row.end());
    }
  }
  return out;
}

// One PNG image, encoded by libspng. `data` holds the rows as PNG lays them out (16-bit
// samples in host order, as libspng takes them).
struct PngLayout {
  uint32_t width = 1;
  uint32_t height = 1;
  uint8_t bit_depth = 8;
  uint8_t color_type = 6;
  std::vector<uint8_t> data = {};
  std::vector<uint32_t> palette = {};       // 0xRRGGBB entries
  std::vector<uint8_t> palette_alpha = {};  // tRNS for a palette image
  std::optional<uint16_t> trns_grey = {};   // tRNS for a grey image
};

inline std::vector<uint8_t> samples16(const std::vector<uint16_t>& samples) {
  std::vector<uint8_t> out(samples.size() * 2);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

inline std::vector<uint8_t> build_png(const PngLayout& layout) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{layout.width, layout.height, layout.bit_depth, layout.color_type, 0, 0, 0};
  spng_set_ihdr(ctx, &ihdr);
  if (!layout.palette.empty()) {
    spng_plte plte{};
    plte.n_entries = static_cast<uint32_t>(layout.palette.size());
    for (size_t i = 0; i < layout.palette.size(); ++i) {
      plte.entries[i].red = static_cast<uint8_t>(layout.palette[i] >> 16);
      plte.entries[i].green = static_cast<uint8_t>(layout.palette[i] >> 8);
      plte.entries[i].blue = static_cast<uint8_t>(layout.palette[i]);
    }
    spng_set_plte(ctx, &plte);
  }
  if (!layout.palette_alpha.empty() || layout.trns_grey) {
    spng_trns trns{};
    trns.gray = layout.trns_grey.value_or(0);
    trns.n_type3_entries = static_cast<uint32_t>(layout.palette_alpha.size());
    for (size_t i = 0; i < layout.palette_alpha.size(); ++i)
      trns.type3_alpha[i] = layout.palette_alpha[i];
    spng_set_trns(ctx, &trns);
  }
  std::vector<uint8_t> out;
  int error = spng_encode_image(ctx, layout.data.data(), layout.data.size(), SPNG_FMT_PNG,
                                SPNG_ENCODE_FINALIZE);
  if (error == 0) {
    size_t size = 0;
    void* buffer = spng_get_png_buffer(ctx, &size, &error);
    if (buffer != nullptr) {
      const auto* bytes = static_cast<const uint8_t*>(buffer);
      out.assign(bytes, bytes + size);
      std::free(buffer);
    }
  }
  spng_ctx_free(ctx);
  return out;  // empty when libspng refused the layout
}

inline uint32_t crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

inline void put_be32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Rewrites the width and height in a PNG's IHDR (right after the signature), with a
// correct CRC, so that only the size lies.
inline void set_png_size(std::vector<uint8_t>& png, uint32_t width, uint32_t height) {
  put_be32(png, 16, width);
  put_be32(png, 20, height);
  put_be32(png, 29, crc32(png.data() + 12, 17));
}

// Colours as "ffff0000 00112233 ...", so a failed comparison shows both sides readably.
inline std::string hex(const std::vector<uint32_t>& colours) {
  std::string out;
  char word[10];
  for (uint32_t c : colours) {
    std::snprintf(word, sizeof word, "%08x ", c);
    out += word;
  }
  return out;
}

// Mask or XOR bits as "0110...".
inline std::string bits(const std::vector<uint8_t>& values) {
  std::string out;
  for (uint8_t v : values) out += static_cast<char>('0' + v);
  return out;
}

}  // namespace exeicon::testing
