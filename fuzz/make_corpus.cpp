// Writes the small seed inputs of fuzz/corpus with the test writers: each one reaches a
// reader path the golden programs do not (NE, .ico with PNG, every BMP depth, bit fields).
// usage: make_corpus OUTPUT_DIR
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/ico_writer.h"
#include "support/image_builder.h"
#include "support/ne_writer.h"
#include "support/pe_writer.h"
#include "support/test_icons.h"

namespace {

using exeicon::test::Bytes;
using exeicon::test::entry;
using exeicon::test::group_bytes;
using exeicon::test::id_of;
using exeicon::test::name_of;
using exeicon::testing::BmpLayout;
using exeicon::testing::PngLayout;

// A pixel pattern with every table index (or colour) of `bits` bits in turn.
std::vector<uint32_t> pattern(int32_t width, int32_t height, uint32_t modulus, uint32_t scale) {
  std::vector<uint32_t> out;
  for (int32_t i = 0; i < width * height; ++i) out.push_back((static_cast<uint32_t>(i) % modulus) * scale);
  return out;
}

std::vector<uint8_t> checker(int32_t width, int32_t height) {
  std::vector<uint8_t> out;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) out.push_back(static_cast<uint8_t>((x + y) % 3 == 0));
  return out;
}

std::vector<uint32_t> ramp(uint32_t entries) {
  std::vector<uint32_t> table;
  for (uint32_t i = 0; i < entries; ++i) table.push_back(i * 0x0F1D2Bu & 0xFFFFFFu);
  return table;
}

Bytes bmp(uint16_t bits, int32_t width, int32_t height, uint32_t header_size = 40) {
  BmpLayout l;
  l.header_size = header_size;
  l.width = width;
  l.height = height;
  l.bit_count = bits;
  if (bits <= 8) {
    l.table = ramp(1u << bits);
    l.pixels = pattern(width, height, 1u << bits, 1);
  } else {
    l.pixels = pattern(width, height, 251, bits == 16 ? 0x0107u : 0x01030507u);
  }
  l.mask = checker(width, height);
  return exeicon::testing::build_bmp(l);
}

Bytes bitfields(uint16_t bits, std::vector<uint32_t> masks, bool with_mask) {
  BmpLayout l;
  l.width = 8;
  l.height = 8;
  l.bit_count = bits;
  l.compression = 3;
  l.masks = std::move(masks);
  l.pixels = pattern(8, 8, 64, bits == 16 ? 0x0421u : 0x04030201u);
  if (with_mask) l.mask = checker(8, 8);
  return exeicon::testing::build_bmp(l);
}

Bytes alpha32(bool with_mask) {
  BmpLayout l;
  l.width = 8;
  l.height = 8;
  l.bit_count = 32;
  l.pixels = pattern(8, 8, 64, 0x04030201u);
  for (size_t i = 0; i < l.pixels.size(); ++i) l.pixels[i] |= (i % 4 == 0 ? 0u : 0xFFu) << 24;
  if (with_mask) l.mask = std::vector<uint8_t>(64, 0);
  return exeicon::testing::build_bmp(l);
}

Bytes monochrome() {
  BmpLayout l;
  l.width = 16;
  l.height = 16;
  l.bit_count = 1;
  l.table = {0x000000, 0xFFFFFF};
  l.pixels = pattern(16, 16, 2, 1);
  l.mask = checker(16, 16);
  return exeicon::testing::build_bmp(l);
}

Bytes png(uint32_t width, uint32_t height, uint8_t depth, uint8_t type) {
  PngLayout l;
  l.width = width;
  l.height = height;
  l.bit_depth = depth;
  l.color_type = type;
  const uint32_t channels = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 4 ? 2 : 4;
  const size_t row = (static_cast<size_t>(width) * channels * depth + 7) / 8;
  for (size_t i = 0; i < row * height; ++i) l.data.push_back(static_cast<uint8_t>(i * 37 + i / row));
  if (type == 3) {
    l.palette = ramp(1u << depth);
    l.palette_alpha = {0, 128, 255};
  }
  if (type == 0) l.trns_grey = 0;
  return exeicon::testing::build_png(l);
}

// A flat 1-bit grey PNG: deflate stores it in little, yet it decodes to every pixel.
Bytes png_flat(uint32_t width, uint32_t height) {
  PngLayout l;
  l.width = width;
  l.height = height;
  l.bit_depth = 1;
  l.color_type = 0;
  l.data.assign((width + 7) / 8 * height, 0x5A);
  return exeicon::testing::build_png(l);
}

Bytes pe_with(const Bytes& image, uint16_t bits, uint8_t side, bool pe32_plus, bool named = false) {
  std::vector<exeicon::test::PeResource> resources = {
      {id_of(3), id_of(1), 0x409, image},
      {id_of(14), named ? name_of("MAINICON") : id_of(1), 0x409, group_bytes({entry(side, side, bits, 1)})},
  };
  return exeicon::test::write_pe(resources, pe32_plus).bytes;
}

Bytes ne_with(const Bytes& image, uint16_t bits, uint8_t side) {
  return exeicon::test::write_ne({{0x8003, 0x8001, image}, {0x800E, 0x8001, group_bytes({entry(side, side, bits, 1)})}})
      .bytes;
}

Bytes ico_with(const Bytes& image, uint16_t bits, uint8_t side) {
  return exeicon::test::write_ico({{entry(side, side, bits), image}});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<std::pair<std::string, Bytes>> seeds = {
      {"ico-bmp1-colour", ico_with(bmp(1, 32, 32), 1, 32)},
      {"ico-bmp1-monochrome", ico_with(monochrome(), 1, 16)},
      {"ico-bmp4-core-header", ico_with(bmp(4, 16, 16, 12), 4, 16)},
      {"ico-bmp8-48x48", ico_with(bmp(8, 48, 48), 8, 48)},
      {"ico-bmp16-555", ico_with(bmp(16, 8, 8), 16, 8)},
      {"ico-bmp16-565-bitfields", ico_with(bitfields(16, {0xF800, 0x07E0, 0x001F}, true), 16, 8)},
      {"ico-bmp24-20x20", ico_with(bmp(24, 20, 20), 24, 20)},
      {"ico-bmp32-bitfields-no-mask", ico_with(bitfields(32, {0xFF0000, 0x00FF00, 0x0000FF}, false), 32, 8)},
      {"ico-bmp32-alpha", ico_with(alpha32(true), 32, 8)},
      {"ico-bmp32-alpha-no-mask", ico_with(alpha32(false), 32, 8)},
      {"ico-png-rgba8", ico_with(png(8, 8, 8, 6), 32, 8)},
      {"ico-png-palette4-trns", ico_with(png(12, 5, 4, 3), 4, 12)},
      {"ico-png-grey16-alpha", ico_with(png(6, 40, 16, 4), 32, 6)},
      {"ico-png-grey1-trns", ico_with(png(33, 3, 1, 0), 1, 33)},
      {"ico-png-rgb16", ico_with(png(4, 4, 16, 2), 32, 4)},
      // The largest image decoded, stored in a few kilobytes: the budget's worst case.
      {"ico-png-grey1-512x512-at-limit", ico_with(png_flat(512, 512), 1, 0)},
      {"ico-png-grey1-4096x64-at-limit", ico_with(png_flat(4096, 64), 1, 0)},
      {"pe32plus-bmp4", pe_with(bmp(4, 32, 32), 4, 32, true)},
      {"pe32-png-named-group", pe_with(png(8, 8, 8, 6), 32, 8, false, true)},
      {"ne-bmp8", ne_with(bmp(8, 16, 16), 8, 16)},
      {"ne-bmp1-monochrome", ne_with(monochrome(), 1, 16)},
  };
  for (const auto& [name, bytes] : seeds) {
    if (bytes.empty()) {
      std::fprintf(stderr, "make_corpus: %s came out empty\n", name.c_str());
      return 1;
    }
    exeicon::testing::write_file(dir + "/" + name, bytes);
  }
  std::printf("wrote %zu seeds\n", seeds.size());
  return 0;
}
