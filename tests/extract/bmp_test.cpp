#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "extract/image.h"
#include "support/image_builder.h"

namespace exeicon {
namespace {

using testing::bits;
using testing::BmpLayout;
using testing::build_bmp;
using testing::hex;
using testing::put_u16;
using testing::put_u32;

Result<DecodedImage> decode(const std::vector<uint8_t>& bytes) {
  return decode_icon_image(ByteView(bytes.data(), bytes.size()));
}

std::vector<uint32_t> grey_ramp(uint32_t entries) {
  std::vector<uint32_t> table;
  for (uint32_t i = 0; i < entries; ++i) table.push_back(i * 0x010101u);
  return table;
}

struct DecodeCase {
  std::string name;
  BmpLayout layout;
  std::vector<uint32_t> colour;
  std::vector<uint8_t> mask;
  bool has_alpha = false;
};

const std::vector<DecodeCase>& decode_cases() {
  static const std::vector<DecodeCase> cases = {
      {"1 bit, colour table, 3x1 (row padding)",
       {.width = 3,
        .height = 1,
        .bit_count = 1,
        .table = {0xFF0000, 0x0000FF},
        .pixels = {0, 1, 0},
        .mask = {0, 0, 1}},
       {0xFF0000, 0x0000FF, 0xFF0000},
       {0, 0, 1}},
      {"4 bits, 3x1",
       {.width = 3,
        .height = 1,
        .bit_count = 4,
        .table = grey_ramp(16),
        .pixels = {1, 15, 7},
        .mask = {0, 0, 0}},
       {0x010101, 0x0F0F0F, 0x070707},
       {0, 0, 0}},
      {"8 bits, 2x2, bottom row first",
       {.bit_count = 8, .table = grey_ramp(256), .pixels = {10, 20, 30, 40}, .mask = {1, 0, 0, 1}},
       {0x0A0A0A, 0x141414, 0x1E1E1E, 0x282828},
       {1, 0, 0, 1}},
      {"8 bits, colours used 3 of 256",
       {.bit_count = 8,
        .clr_used = 3,
        .table = {0x112233, 0x445566, 0x778899},
        .pixels = {0, 1, 2, 1},
        .mask = {0, 0, 0, 0}},
       {0x112233, 0x445566, 0x778899, 0x445566},
       {0, 0, 0, 0}},
      {"24 bits, a table of 300 colours used is skipped",
       {.bit_count = 24,
        .clr_used = 300,
        .table = std::vector<uint32_t>(300, 0xABCDEF),
        .pixels = {0x010203, 0x040506, 0x070809, 0x0A0B0C},
        .mask = {0, 1, 0, 0}},
       {0x010203, 0x040506, 0x070809, 0x0A0B0C},
       {0, 1, 0, 0}},
      {"8 bits, an index past the table is black",
       {.bit_count = 8,
        .clr_used = 2,
        .table = {0x112233, 0x445566},
        .pixels = {0, 1, 2, 255},
        .mask = {0, 0, 0, 0}},
       {0x112233, 0x445566, 0x000000, 0x000000},
       {0, 0, 0, 0}},
      {"8 bits, 12-byte core header, 3-byte table entries",
       {.header_size = 12,
        .bit_count = 8,
        .table = grey_ramp(256),
        .pixels = {1, 2, 254, 255},
        .mask = {0, 1, 1, 0}},
       {0x010101, 0x020202, 0xFEFEFE, 0xFFFFFF},
       {0, 1, 1, 0}},
      {"16 bits without bit fields: 5-5-5",
       {.bit_count = 16, .pixels = {0x7C00, 0x03E0, 0x001F, 0x4210}, .mask = {0, 0, 0, 0}},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848484},
       {0, 0, 0, 0}},
      {"16 bits, 5-6-5 bit fields",
       {.bit_count = 16,
        .compression = 3,
        .masks = {0xF800, 0x07E0, 0x001F},
        .pixels = {0xF800, 0x07E0, 0x001F, 0x8401},
        .mask = {0, 1, 0, 0}},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848208},
       {0, 1, 0, 0}},
      {"16 bits, 1-bit and 3-bit fields widen by repetition, an empty field is 0",
       {.width = 1,
        .height = 1,
        .bit_count = 16,
        .compression = 3,
        .masks = {0x0001, 0x000E, 0},
        .pixels = {0x000B},
        .mask = {0}},
       {0xFFB600},
       {0}},
      {"24 bits, 3x1 (row padding)",
       {.width = 3,
        .height = 1,
        .bit_count = 24,
        .pixels = {0x112233, 0x445566, 0x778899},
        .mask = {1, 0, 1}},
       {0x112233, 0x445566, 0x778899},
       {1, 0, 1}},
      {"24 bits, data ends before the mask rows: nothing transparent",
       {.bit_count = 24, .pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC}},
       {0x112233, 0x445566, 0x778899, 0xAABBCC},
       {0, 0, 0, 0}},
      {"32 bits, every alpha 0: plain RGB, mask as stored",
       {.bit_count = 32, .pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC}, .mask = {0, 1, 0, 0}},
       {0x112233, 0x445566, 0x778899, 0xAABBCC},
       {0, 1, 0, 0}},
      {"32 bits, every alpha 0, data ends before the mask rows",
       {.bit_count = 32, .pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC}},
       {0x112233, 0x445566, 0x778899, 0xAABBCC},
       {0, 0, 0, 0}},
      {"32 bits with alpha, mask rows that mark pixels are kept as stored",
       {.bit_count = 32,
        .pixels = {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
        .mask = {0, 1, 0, 0}},
       {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
       {0, 1, 0, 0},
       true},
      {"32 bits with alpha, data ends before the mask rows: mask from alpha",
       {.bit_count = 32, .pixels = {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC}},
       {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
       {1, 0, 1, 0},
       true},
      {"32 bits with alpha, mask rows that mark nothing: mask from alpha (mended)",
       {.bit_count = 32,
        .pixels = {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
        .mask = {0, 0, 0, 0}},
       {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
       {1, 0, 1, 0},
       true},
      {"32 bits, all alpha 255, mask rows that mark nothing stay clear",
       {.bit_count = 32,
        .pixels = {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC},
        .mask = {0, 0, 0, 0}},
       {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC},
       {0, 0, 0, 0},
       true},
      {"32 bits, standard bit fields with alpha in the top byte",
       {.bit_count = 32,
        .compression = 3,
        .masks = {0xFF0000, 0x00FF00, 0x0000FF},
        .pixels = {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
        .mask = {0, 0, 1, 0}},
       {0x80112233, 0xFF445566, 0x00778899, 0xFFAABBCC},
       {0, 0, 1, 0},
       true},
      {"32 bits, 10-bit fields keep their top 8 bits and leave no alpha",
       {.width = 2,
        .height = 1,
        .bit_count = 32,
        .compression = 3,
        .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
        .pixels = {0x3FF00000, 0x20140201},
        .mask = {0, 0}},
       {0xFF0000, 0x804080},
       {0, 0}},
      {"24 bits with colours used: the table is skipped",
       {.width = 1,
        .height = 1,
        .bit_count = 24,
        .clr_used = 2,
        .table = {0xFFFFFF, 0xFFFFFF},
        .pixels = {0x123456},
        .mask = {1}},
       {0x123456},
       {1}},
      {"1 bit, white then black: a colour icon",
       {.bit_count = 1,
        .table = {0xFFFFFF, 0x000000},
        .pixels = {0, 1, 1, 0},
        .mask = {0, 0, 1, 1}},
       {0xFFFFFF, 0x000000, 0x000000, 0xFFFFFF},
       {0, 0, 1, 1}},
  };
  return cases;
}

TEST(BmpDecode, Cases) {
  for (const DecodeCase& c : decode_cases()) {
    SCOPED_TRACE(c.name);
    auto image = decode(build_bmp(c.layout));
    ASSERT_TRUE(image) << image.why();
    EXPECT_EQ(image->width, c.layout.width);
    EXPECT_EQ(image->height, c.layout.height);
    EXPECT_FALSE(image->monochrome);
    EXPECT_EQ(hex(image->colour), hex(c.colour));
    EXPECT_EQ(bits(image->mask), bits(c.mask));
    EXPECT_EQ(image->has_alpha, c.has_alpha);
  }
}

TEST(BmpDecode, BlackThenWhiteIsMonochrome) {
  auto image = decode(build_bmp({.width = 3,
                                 .height = 2,
                                 .bit_count = 1,
                                 .table = {0x000000, 0xFFFFFF},
                                 .pixels = {0, 1, 1, 1, 0, 0},
                                 .mask = {1, 1, 0, 0, 0, 1}}));
  ASSERT_TRUE(image) << image.why();
  EXPECT_TRUE(image->monochrome);
  EXPECT_TRUE(image->colour.empty());
  EXPECT_EQ(bits(image->xor_bits), "011100");
  EXPECT_EQ(bits(image->mask), "110001");
}

TEST(BmpDecode, OddStoredHeightDropsTheHalfRow) {
  std::vector<uint8_t> bytes =
      build_bmp({.bit_count = 24, .pixels = {1, 2, 3, 4}, .mask = {0, 0, 0, 0}});
  put_u32(bytes, 8, 5);  // 5 / 2 = 2 rows
  auto image = decode(bytes);
  ASSERT_TRUE(image) << image.why();
  EXPECT_EQ(image->height, 2);
}

struct RejectCase {
  std::string name;
  std::function<void(std::vector<uint8_t>&)> spoil;
};

TEST(BmpDecode, MalformedIsRejected) {
  const BmpLayout good{.bit_count = 24, .pixels = {1, 2, 3, 4}, .mask = {0, 0, 0, 0}};
  const std::vector<RejectCase> cases = {
      {"header size 0", [](auto& b) { put_u32(b, 0, 0); }},
      {"header size 56", [](auto& b) { put_u32(b, 0, 56); }},
      {"header size 108", [](auto& b) { put_u32(b, 0, 108); }},
      {"compression 1", [](auto& b) { put_u32(b, 16, 1); }},
      {"compression 2", [](auto& b) { put_u32(b, 16, 2); }},
      {"bit fields at 24 bits", [](auto& b) { put_u32(b, 16, 3); }},
      {"bit count 7", [](auto& b) { put_u16(b, 14, 7); }},
      {"bit count 0", [](auto& b) { put_u16(b, 14, 0); }},
      {"width 0", [](auto& b) { put_u32(b, 4, 0); }},
      {"width -2", [](auto& b) { put_u32(b, 4, 0xFFFFFFFEu); }},
      {"height 0", [](auto& b) { put_u32(b, 8, 0); }},
      {"height 1 (no whole row)", [](auto& b) { put_u32(b, 8, 1); }},
      {"height 2^31", [](auto& b) { put_u32(b, 8, 0x80000000u); }},
      {"negative height", [](auto& b) { put_u32(b, 8, 0xFFFFFFFCu); }},
      {"width past the side limit", [](auto& b) { put_u32(b, 4, 4097); }},
      {"width * height past the pixel limit",
       [](auto& b) {
         put_u32(b, 4, 4096);
         put_u32(b, 8, 2 * 4096);
       }},
      {"width 2^30", [](auto& b) { put_u32(b, 4, 0x40000000u); }},
      {"colours used 2^31", [](auto& b) { put_u32(b, 32, 0x80000000u); }},
      {"colours used 257 (no bytes behind them)", [](auto& b) { put_u32(b, 32, 257); }},
      {"colours used past the data", [](auto& b) { put_u32(b, 32, 200); }},
      {"colour rows one byte short", [](auto& b) { b.resize(40 + 2 * 8 - 1); }},
      {"header cut short", [](auto& b) { b.resize(20); }},
      {"only the size field", [](auto& b) { b.resize(4); }},
      {"empty", [](auto& b) { b.clear(); }},
  };
  ASSERT_TRUE(decode(build_bmp(good)));
  for (const RejectCase& c : cases) {
    std::vector<uint8_t> bytes = build_bmp(good);
    c.spoil(bytes);
    auto image = decode(bytes);
    EXPECT_FALSE(image) << c.name << ": decoded a " << image->width << "x" << image->height
                        << " image";
  }
}

TEST(BmpDecode, TruncatedTablesAndMasksAreRejected) {
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"8 bits, table cut short",
       [] {
         auto b = build_bmp({.bit_count = 8, .table = grey_ramp(256), .pixels = {0, 0, 0, 0}});
         b.resize(40 + 100);
         return b;
       }()},
      {"core header, table cut short",
       [] {
         auto b = build_bmp(
             {.header_size = 12, .bit_count = 4, .table = grey_ramp(16), .pixels = {0, 0, 0, 0}});
         b.resize(12 + 47);
         return b;
       }()},
      {"bit-field masks cut short",
       [] {
         auto b = build_bmp({.bit_count = 16,
                             .compression = 3,
                             .masks = {0xF800, 0x07E0, 0x001F},
                             .pixels = {0, 0, 0, 0}});
         b.resize(40 + 10);
         return b;
       }()},
      {"16 bits, colour rows cut short",
       [] {
         auto b = build_bmp({.bit_count = 16, .pixels = {0, 0, 0, 0}});
         b.resize(b.size() - 1);
         return b;
       }()},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_FALSE(decode(bytes)) << name << ": decoded";
  }
}

}  // namespace
}  // namespace exeicon
