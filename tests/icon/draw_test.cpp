#include "icon/draw.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_icons.h"

namespace exeicon {
namespace {

constexpr uint32_t kBackground = 0xFFF0F0F0;

TEST(DrawIcon, MaskAndColourCombineByAndThenXor) {
  // Column 0: opaque red. Column 1: transparent (mask 1, colour 0). Column 2: mask 1
  // with white colour inverts the background.
  const uint32_t colours[] = {0xFF0000, 0x000000, 0xFFFFFF};
  Icon icon = testing::make_icon(3, 1, [&](int x, int) { return colours[x]; }, [](int x, int) { return x > 0 ? 1u : 0u; });
  std::vector<uint32_t> surface(4 * 2, kBackground);
  draw_icon(icon, surface, 4, 2);
  EXPECT_EQ(surface[0], 0xFFFF0000u);
  EXPECT_EQ(surface[1], kBackground);
  EXPECT_EQ(surface[2], 0xFF0F0F0Fu);
  EXPECT_EQ(surface[3], kBackground);  // nothing outside the icon changes
  EXPECT_EQ(surface[4], kBackground);
}

TEST(DrawIcon, AlphaBlendsAndIgnoresTheMask) {
  const uint32_t colours[] = {0xFF102030, 0x00FFFFFF, 0x80FF0000};
  Icon icon = testing::make_icon(3, 1, [&](int x, int) { return colours[x]; }, [](int, int) { return 1u; }, true);
  std::vector<uint32_t> surface(3, 0xFF000000);
  draw_icon(icon, surface, 3, 1);
  EXPECT_EQ(surface[0], 0xFF102030u);
  EXPECT_EQ(surface[1], 0xFF000000u);
  EXPECT_EQ(surface[2], 0xFF800000u);  // 255 x 128 / 255 over black
}

TEST(DrawIcon, MonochromeUsesBothHalvesOfTheMaskAndClipsToTheSurface) {
  Bitmap mask = Bitmap::mono(2, 4);  // 2 x 2 icon
  mask.at(0, 0) = 1;                 // AND 1, XOR 0: background
  mask.at(1, 0) = 1;                 // AND 1, XOR 1: inverted
  mask.at(1, 2) = 1;
  mask.at(0, 3) = 1;  // AND 0, XOR 1: white
  Icon icon = Icon::monochrome(std::move(mask));
  std::vector<uint32_t> surface(2, kBackground);  // one row only: the second is clipped
  draw_icon(icon, surface, 2, 1);
  EXPECT_EQ(surface[0], kBackground);
  EXPECT_EQ(surface[1], 0xFF0F0F0Fu);
}

}  // namespace
}  // namespace exeicon
