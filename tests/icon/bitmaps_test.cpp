#include "icon/bitmaps.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_icons.h"

namespace exeicon {
namespace {

TEST(NearestColour, PicksTheNearestTableEntryAndTheLowestOnATie) {
  struct Case {
    uint32_t rgb;
    uint8_t index;
  };
  const Case cases[] = {
      {0x000000, 0},  {0xFFFFFF, 15}, {0xC0C0C0, 8},  {0x808080, 7},
      {0xFF0000, 9},  {0x0000FF, 12}, {0x00FFFF, 14}, {0x7F0000, 1},
      {0x404040, 0},   // as far from black as from grey 808080: the lower index wins
      {0x606060, 7},  {0xA0A0A0, 7},  // A0 is 32 from 80 and 32 from C0: 7 before 8
      {0xE0E0E0, 15},  // 31 from FF beats 32 from C0
      {0x800080, 5},  {0x7F7F00, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(nearest_vga_index(c.rgb), c.index) << std::hex << c.rgb;
}

TEST(ReadBitmapBits, FourBitRowsAreBottomUpPaddedAndMappedToTheFixedTable) {
  // 3 x 2: top row red, green, blue; bottom row white, black, grey.
  const uint32_t top[] = {0xFF0000, 0x00FF00, 0x0000FF};
  const uint32_t bottom[] = {0xFFFFFF, 0x000000, 0x808080};
  Icon icon = testing::make_icon(3, 2, [&](int x, int y) { return y == 0 ? top[x] : bottom[x]; },
                                 [](int, int) { return 0u; });
  BitmapInfoHeader h;
  h.biWidth = 3;
  h.biHeight = 2;
  h.biBitCount = 4;
  h.biClrUsed = 16;
  std::vector<uint8_t> table(64, 0xEE), bits(8, 0xEE);
  EXPECT_EQ(read_bitmap_bits(*icon.colour(), 0, 2, h, table, bits), 2u);
  // Bottom row first: F0 7x, padding bytes untouched beyond the pixels' nibbles.
  EXPECT_EQ(bits, (std::vector<uint8_t>{0xF0, 0x7E, 0xEE, 0xEE, 0x9A, 0xCE, 0xEE, 0xEE}));
  for (size_t i = 0; i < 16; ++i) {
    const uint32_t rgb = kVgaColours[i];
    EXPECT_EQ(table[i * 4], rgb & 0xFF);
    EXPECT_EQ(table[i * 4 + 1], rgb >> 8 & 0xFF);
    EXPECT_EQ(table[i * 4 + 2], rgb >> 16 & 0xFF);
    EXPECT_EQ(table[i * 4 + 3], 0);
  }
}

TEST(ReadBitmapBits, OneBitMaskBitsAreCopiedWithABlackWhiteTable) {
  // 33 wide: a row takes 8 bytes; only the last column is set.
  Icon icon = testing::make_icon(33, 1, [](int, int) { return 0u; }, [](int x, int) { return x == 32 ? 1u : 0u; });
  BitmapInfoHeader h;
  h.biWidth = 33;
  h.biHeight = 1;
  h.biBitCount = 1;
  std::vector<uint8_t> table(8, 0xEE), bits(8, 0);
  EXPECT_EQ(read_bitmap_bits(icon.mask(), 0, 1, h, table, bits), 1u);
  EXPECT_EQ(bits, (std::vector<uint8_t>{0, 0, 0, 0, 0x80, 0, 0, 0}));
  EXPECT_EQ(table, (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}));
}

TEST(ReadBitmapBits, StopsAtTheBufferAndRefusesOtherDepths) {
  Icon icon = testing::make_icon(8, 4, [](int, int) { return 0xFFFFFFu; }, [](int, int) { return 0u; });
  BitmapInfoHeader h;
  h.biWidth = 8;
  h.biHeight = 4;
  h.biBitCount = 4;
  std::vector<uint8_t> table(64), bits(9, 0);  // room for two rows and a byte
  EXPECT_EQ(read_bitmap_bits(*icon.colour(), 0, 4, h, table, bits), 2u);
  EXPECT_EQ(bits[8], 0);
  h.biBitCount = 8;
  EXPECT_EQ(read_bitmap_bits(*icon.colour(), 0, 4, h, table, bits), 0u);
}

TEST(DescribeBitmap, GivesPlainFactsOrNothing) {
  Icon icon = testing::make_icon(5, 7, [](int, int) { return 0u; }, [](int, int) { return 0u; });
  const auto facts = describe_bitmap(icon.colour());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 5);
  EXPECT_EQ(facts->height, 7);
  EXPECT_EQ(facts->bit_count, 32);
  EXPECT_FALSE(describe_bitmap(nullptr));
  EXPECT_FALSE(split_icon(Icon::monochrome(Bitmap::mono(32, 64))).colour);
}

}  // namespace
}  // namespace exeicon
