#include "icon/encode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "icon/failure.h"
#include "support/test_icons.h"

namespace exeicon {
namespace {

using testing::make_icon;
using testing::u32_at;

std::string failure_of(Icon* icon) {
  try {
    ico_bytes(icon);
  } catch (const Failure& f) {
    return f.what();
  }
  return "no failure";
}

TEST(Encode, ThirtyTwoSquareGivesTheKnownLayout) {
  Icon icon = make_icon(32, 32, [](int x, int) { return x < 16 ? 0xFF0000u : 0xFFFFFFu; },
                        [](int, int y) { return y == 0 ? 1u : 0u; });
  const std::vector<uint8_t>& bytes = ico_bytes(&icon);
  ASSERT_EQ(bytes.size(), 766u);
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 22);
  EXPECT_EQ(head, (std::vector<uint8_t>{0, 0, 1, 0, 1, 0, 0x20, 0x20, 4, 0, 0, 0, 0, 0,
                                        0xE8, 2, 0, 0, 0x16, 0, 0, 0}));
  // The description: size 40, width 32, height 64, planes 1, bit count 4, no
  // compression, 512 bytes of colour pixels, no resolution, 16 colours used, 0 important.
  EXPECT_EQ(u32_at(bytes, 22), 40u);
  EXPECT_EQ(u32_at(bytes, 26), 32u);
  EXPECT_EQ(u32_at(bytes, 30), 64u);
  EXPECT_EQ(u32_at(bytes, 34), 0x00040001u);
  EXPECT_EQ(u32_at(bytes, 38), 0u);
  EXPECT_EQ(u32_at(bytes, 42), 512u);
  EXPECT_EQ(u32_at(bytes, 46), 0u);
  EXPECT_EQ(u32_at(bytes, 50), 0u);
  EXPECT_EQ(u32_at(bytes, 54), 16u);
  EXPECT_EQ(u32_at(bytes, 58), 0u);
  EXPECT_EQ(u32_at(bytes, 62 + 9 * 4), 0xFF0000u);  // table entry 9 is red
  // Colour rows: red (9) on the left half, white (15) on the right; mask: the top row,
  // which is written last, is all transparent.
  EXPECT_EQ(bytes[126], 0x99);
  EXPECT_EQ(bytes[126 + 15], 0xFF);
  EXPECT_EQ(bytes[638], 0x00);
  EXPECT_EQ(u32_at(bytes, 766 - 4), 0xFFFFFFFFu);
}

TEST(Encode, SizesFollowTheIcon) {
  struct Case {
    int32_t width, height;
    size_t file_size;
    uint8_t width_byte, height_byte;
  };
  const Case cases[] = {
      {16, 16, 318, 16, 16},
      {48, 16, 22 + 104 + 24 * 16 + 8 * 16, 48, 16},  // mask rows of 48 bits pad to 8 bytes
      {256, 1, 22 + 104 + 128 + 32, 0, 1},             // only the low 8 bits of 256
  };
  for (const auto& c : cases) {
    Icon icon = make_icon(c.width, c.height, [](int, int) { return 0u; }, [](int, int) { return 0u; });
    const auto& bytes = ico_bytes(&icon);
    EXPECT_EQ(bytes.size(), c.file_size) << c.width << "x" << c.height;
    EXPECT_EQ(bytes[6], c.width_byte);
    EXPECT_EQ(bytes[7], c.height_byte);
    EXPECT_EQ(u32_at(bytes, 14), c.file_size - 22);
    EXPECT_EQ(u32_at(bytes, 30), static_cast<uint32_t>(c.height * 2));
  }
}

TEST(Encode, KeepsTheBytesWithTheIconAndReusesThem) {
  Icon icon = make_icon(32, 32, [](int, int) { return 0u; }, [](int, int) { return 0u; });
  const std::vector<uint8_t> first = ico_bytes(&icon);
  // A change to the pixels after the first encoding can only show if they are read again.
  icon.colour()->at(0, 31) = 0xFFFFFF;
  EXPECT_EQ(ico_bytes(&icon), first);
  EXPECT_EQ(&ico_bytes(&icon), icon.encoded());
}

TEST(Encode, FailuresCarryTheExactTextsAndKeepNothing) {
  EXPECT_EQ(failure_of(nullptr), "Icon image is not valid");
  Icon mono = Icon::monochrome(Bitmap::mono(32, 64));
  EXPECT_EQ(failure_of(&mono), "Bitmap image is not valid");
  EXPECT_EQ(mono.encoded(), nullptr);
}

}  // namespace
}  // namespace exeicon
