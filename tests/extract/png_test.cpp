#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "extract/image.h"
#include "support/image_builder.h"

namespace exeicon {
namespace {

using testing::bits;
using testing::build_png;
using testing::hex;
using testing::PngLayout;
using testing::samples16;
using testing::set_png_size;

constexpr uint8_t kGrey = 0, kTrue = 2, kPalette = 3, kGreyAlpha = 4, kTrueAlpha = 6;

Result<DecodedImage> decode(const std::vector<uint8_t>& bytes) {
  return decode_icon_image(ByteView(bytes.data(), bytes.size()));
}

struct PngCase {
  std::string name;
  PngLayout layout;
  std::vector<uint32_t> colour;
  std::vector<uint8_t> mask;
};

TEST(PngDecode, Cases) {
  const std::vector<PngCase> cases = {
      {"RGBA",
       {.width = 3,
        .color_type = kTrueAlpha,
        .data = {0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x80, 0x12, 0x34, 0x56, 0x00}},
       {0xFFFF0000, 0x800000FF, 0x00123456},
       {0, 1, 1}},
      {"RGB without alpha: opaque, red and blue in place",
       {.width = 3, .color_type = kTrue, .data = {0xFF, 0, 0, 0, 0xFF, 0, 0x12, 0x34, 0x56}},
       {0xFFFF0000, 0xFF00FF00, 0xFF123456},
       {0, 0, 0}},
      {"palette with a tRNS chunk",
       {.width = 3,
        .color_type = kPalette,
        .data = {0, 1, 2},
        .palette = {0x112233, 0x445566, 0x778899},
        .palette_alpha = {0x00, 0x80}},
       {0x00112233, 0x80445566, 0xFF778899},
       {1, 1, 0}},
      {"palette without tRNS",
       {.width = 2, .color_type = kPalette, .data = {1, 0}, .palette = {0x112233, 0x445566}},
       {0xFF445566, 0xFF112233},
       {0, 0}},
      {"grey",
       {.width = 2, .color_type = kGrey, .data = {0x00, 0x80}},
       {0xFF000000, 0xFF808080},
       {0, 0}},
      {"grey with a transparent grey",
       {.width = 2, .color_type = kGrey, .data = {0x00, 0x80}, .trns_grey = 0x80},
       {0xFF000000, 0x00808080},
       {0, 1}},
      {"grey with alpha",
       {.width = 2, .color_type = kGreyAlpha, .data = {0x40, 0xFF, 0xC0, 0x7F}},
       {0xFF404040, 0x7FC0C0C0},
       {0, 1}},
      {"16-bit RGBA narrowed to 8 bits",
       {.width = 2,
        .bit_depth = 16,
        .color_type = kTrueAlpha,
        .data = samples16({0xABAB, 0x0000, 0xFFFF, 0xFFFF, 0x1212, 0x3434, 0x5656, 0x8080})},
       {0xFFAB00FF, 0x80123456},
       {0, 1}},
      {"16-bit grey",
       {.width = 1, .bit_depth = 16, .color_type = kGrey, .data = samples16({0xCDCD})},
       {0xFFCDCDCD},
       {0}},
      {"2x2 rows in order",
       {.width = 2, .height = 2, .color_type = kTrue, .data = {0, 0, 1, 0, 0, 2, 0, 0, 3, 0, 0, 4}},
       {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004},
       {0, 0, 0, 0}},
  };
  for (const PngCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> png = build_png(c.layout);
    ASSERT_FALSE(png.empty()) << "the encoder refused the case";
    auto image = decode(png);
    ASSERT_TRUE(image) << image.why();
    EXPECT_EQ(image->width, static_cast<int32_t>(c.layout.width));
    EXPECT_EQ(image->height, static_cast<int32_t>(c.layout.height));
    EXPECT_TRUE(image->has_alpha);
    EXPECT_FALSE(image->monochrome);
    EXPECT_EQ(hex(image->colour), hex(c.colour));
    EXPECT_EQ(bits(image->mask), bits(c.mask));
  }
}

std::vector<uint8_t> small_rgba() {
  return build_png({.width = 4,
                    .height = 4,
                    .color_type = kTrueAlpha,
                    .data = std::vector<uint8_t>(4 * 4 * 4, 0x7F)});
}

TEST(PngDecode, MalformedIsRejected) {
  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
  };
  auto resized = [](uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = small_rgba();
    set_png_size(png, width, height);
    return png;
  };
  auto cut = [](size_t keep) {
    std::vector<uint8_t> png = small_rgba();
    png.resize(keep);
    return png;
  };
  const std::vector<uint8_t> good = small_rgba();
  ASSERT_TRUE(decode(good));
  const std::vector<Case> cases = {
      {"IHDR says 64x64, the data holds 4x4", resized(64, 64)},
      {"IHDR says 4x5, the data holds 4x4", resized(4, 5)},
      {"IHDR claims 2^31 pixels", resized(65536, 32768)},
      {"IHDR width 2^31", resized(0x80000000u, 1)},
      {"IHDR width 0", resized(0, 4)},
      {"width past the side limit", resized(4097, 1)},
      {"pixels past the limit", resized(2048, 2049)},
      {"cut inside IHDR", cut(20)},
      {"cut inside the image data", cut(good.size() / 2 + 10)},
      {"signature only", cut(8)},
  };
  for (const Case& c : cases) {
    auto image = decode(c.bytes);
    EXPECT_FALSE(image) << c.name << ": decoded a " << image->width << "x" << image->height
                        << " image";
  }
}

TEST(PngDecode, CorruptHeaderCrcIsRejected) {
  std::vector<uint8_t> png = small_rgba();
  png[29] ^= 0xFF;
  EXPECT_FALSE(decode(png));
}

}  // namespace
}  // namespace exeicon
