#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "extract/image.h"
#include "support/image_builder.h"

namespace exeicon {
namespace {

using testing::bits;
using testing::hex;

DecodedImage colour_image(int32_t width, int32_t height, uint32_t fill) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  const auto pixels = static_cast<size_t>(width * height);
  image.colour.assign(pixels, fill);
  image.mask.assign(pixels, 0);
  return image;
}

size_t at(const DecodedImage& image, int32_t x, int32_t y) {
  return static_cast<size_t>(y * image.width + x);
}

// Where each of the first source positions lands when n shrinks to 32: one black source
// pixel in a white image darkens exactly the destination it merges into.
std::vector<int> destinations_of_first_sources(int32_t n, size_t count, bool rows) {
  std::vector<int> out;
  for (int32_t s = 0; s < static_cast<int32_t>(count); ++s) {
    DecodedImage image = rows ? colour_image(32, n, 0xFFFFFFFF) : colour_image(n, 32, 0xFFFFFFFF);
    image.colour[rows ? at(image, 0, s) : at(image, s, 0)] = 0;
    DecodedImage out_image = resample(image, 32, 32);
    int found = -1;
    for (int32_t d = 0; d < 32; ++d) {
      if (out_image.colour[rows ? at(out_image, 0, d) : at(out_image, d, 0)] == 0) {
        found = found == -1 ? d : -2;  // -2: more than one destination
      }
    }
    out.push_back(found);
  }
  return out;
}

std::string join(const std::vector<int>& values) {
  std::string out;
  for (int v : values) out += std::to_string(v) + " ";
  return out;
}

TEST(Resample, ShrinkGroupsSourcesAsThePlatformDoes) {
  struct Case {
    int32_t n;
    std::vector<int> destinations;  // destination of source 0, 1, 2, ...
  };
  // 40: 0 | 1 2 | 3 | 4 | 5 | 6 7 | 8;  48: 0 1 | 2 | 3 4 | 5
  const std::vector<Case> cases = {
      {40, {0, 1, 1, 2, 3, 4, 5, 5, 6}},
      {48, {0, 0, 1, 2, 2, 3}},
  };
  for (const Case& c : cases) {
    for (bool rows : {false, true}) {
      SCOPED_TRACE(std::to_string(c.n) + (rows ? " rows" : " columns"));
      EXPECT_EQ(join(destinations_of_first_sources(c.n, c.destinations.size(), rows)),
                join(c.destinations));
    }
  }
}

TEST(Resample, ShrinkMapsTheEndsToTheEdges) {
  for (int32_t n : {33, 40, 48, 63, 64, 100, 256, 4096}) {
    DecodedImage image = colour_image(n, 1, 0);
    for (int32_t s = 0; s < n; ++s) image.colour[static_cast<size_t>(s)] = 0xFFFFFFFF;
    // Source 0 black, the last source black: they land on destinations 0 and 31.
    image.colour.front() = 0;
    image.colour.back() = 0;
    DecodedImage out = resample(image, 32, 1);
    ASSERT_EQ(out.colour.size(), 32u);
    EXPECT_EQ(out.colour.front(), 0u) << "n = " << n;
    EXPECT_EQ(out.colour.back(), 0u) << "n = " << n;
    EXPECT_EQ(out.colour[16], 0xFFFFFFFFu) << "n = " << n;
  }
}

TEST(Resample, EnlargeTakesTheNearestSource) {
  struct Case {
    int32_t n;
    std::vector<int> sources;  // source taken by destination 0 .. 31
  };
  const std::vector<Case> cases = {
      {16, {0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,
            8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15}},
      {20, {0,  0,  1,  2,  2,  3,  4,  4,  5,  5,  6,  7,  7,  8,  9,  9,
            10, 10, 11, 12, 12, 13, 14, 14, 15, 15, 16, 17, 17, 18, 19, 19}},
      {24, {0,  1,  1,  2,  3,  4,  4,  5,  6,  7,  7,  8,  9,  10, 10, 11,
            12, 13, 13, 14, 15, 16, 16, 17, 18, 19, 19, 20, 21, 22, 22, 23}},
  };
  for (const Case& c : cases) {
    for (bool rows : {false, true}) {
      SCOPED_TRACE(std::to_string(c.n) + (rows ? " rows" : " columns"));
      DecodedImage image = rows ? colour_image(1, c.n, 0) : colour_image(c.n, 1, 0);
      for (int32_t s = 0; s < c.n; ++s)
        image.colour[static_cast<size_t>(s)] = static_cast<uint32_t>(s);
      DecodedImage out = resample(image, 32, 32);
      std::vector<int> taken;
      for (int32_t d = 0; d < 32; ++d) {
        taken.push_back(static_cast<int>(out.colour[rows ? at(out, 0, d) : at(out, d, 0)]));
      }
      EXPECT_EQ(join(taken), join(c.sources));
    }
  }
}

TEST(Resample, MergeIsABitwiseAndOfEveryChannel) {
  struct Case {
    uint32_t left, right, merged;
  };
  const std::vector<Case> cases = {
      {0x007F0000, 0x00800000, 0x00000000},  // red 127 with red 128 gives red 0
      {0xFF7FF0AA, 0x8080FF55, 0x8000F000},  // alpha, red, green, blue each on its own
  };
  for (const Case& c : cases) {
    DecodedImage image = colour_image(64, 32, 0);
    image.colour[0] = c.left;
    image.colour[1] = c.right;
    DecodedImage out = resample(image, 32, 32);
    EXPECT_EQ(hex({out.colour[0]}), hex({c.merged})) << hex({c.left, c.right});
  }
}

TEST(Resample, MaskAndXorMergeTransparentOnlyWhereAllWere) {
  // Pairs of columns 0 1, 2 3, 4 5, 6 7 of a 64-wide image merge into one each.
  DecodedImage image;
  image.width = 64;
  image.height = 32;
  image.monochrome = true;
  image.mask.assign(64 * 32, 0);
  image.xor_bits.assign(64 * 32, 0);
  const std::vector<uint8_t> pairs = {1, 1, 1, 0, 0, 1, 0, 0};
  for (size_t x = 0; x < pairs.size(); ++x) {
    image.mask[x] = pairs[x];
    image.xor_bits[x] = pairs[x];
  }
  DecodedImage out = resample(image, 32, 32);
  EXPECT_TRUE(out.monochrome);
  EXPECT_TRUE(out.colour.empty());
  ASSERT_EQ(out.mask.size(), 32u * 32u);
  EXPECT_EQ(bits({out.mask.begin(), out.mask.begin() + 4}), "1000");
  EXPECT_EQ(bits({out.xor_bits.begin(), out.xor_bits.begin() + 4}), "1000");
}

TEST(Resample, WideImageShrinksOneAxisAndGrowsTheOther) {
  // 48 x 16: pixel (x, y) has blue x and green y, so a merge shows as an AND of the x.
  DecodedImage image = colour_image(48, 16, 0);
  image.has_alpha = true;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 48; ++x) {
      image.colour[at(image, x, y)] =
          0xFF000000u | static_cast<uint32_t>(y) << 8 | static_cast<uint32_t>(x);
    }
  }
  image.mask[at(image, 2, 1)] = 1;  // column 2 alone makes destination column 1
  DecodedImage out = resample(image, 32, 32);
  ASSERT_EQ(out.width, 32);
  ASSERT_EQ(out.height, 32);
  EXPECT_TRUE(out.has_alpha);
  // Columns 0 1 | 2 | 3 4 | 5 | 6 7 | 8 | 9 10; rows 0 0 1 1 2 2 ...
  std::vector<uint32_t> top_left;
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 7; ++x) top_left.push_back(out.colour[at(out, x, y)]);
  }
  EXPECT_EQ(
      hex(top_left),
      hex({0xFF000000, 0xFF000002, 0xFF000000, 0xFF000005, 0xFF000006, 0xFF000008, 0xFF000008,
           0xFF000000, 0xFF000002, 0xFF000000, 0xFF000005, 0xFF000006, 0xFF000008, 0xFF000008,
           0xFF000100, 0xFF000102, 0xFF000100, 0xFF000105, 0xFF000106, 0xFF000108, 0xFF000108,
           0xFF000100, 0xFF000102, 0xFF000100, 0xFF000105, 0xFF000106, 0xFF000108, 0xFF000108}));
  EXPECT_EQ(hex({out.colour[at(out, 31, 31)]}), hex({0xFF000F2F}));
  std::string mask_column_1;
  for (int32_t y = 0; y < 6; ++y) mask_column_1 += static_cast<char>('0' + out.mask[at(out, 1, y)]);
  EXPECT_EQ(mask_column_1, "001100");
}

TEST(Resample, SameSizeIsUnchanged) {
  DecodedImage image = colour_image(32, 32, 0);
  for (size_t i = 0; i < image.colour.size(); ++i) {
    image.colour[i] = static_cast<uint32_t>(i * 2654435761u);
    image.mask[i] = static_cast<uint8_t>(i % 3 == 0);
  }
  DecodedImage out = resample(image, 32, 32);
  EXPECT_EQ(hex(out.colour), hex(image.colour));
  EXPECT_EQ(bits(out.mask), bits(image.mask));
}

}  // namespace
}  // namespace exeicon
