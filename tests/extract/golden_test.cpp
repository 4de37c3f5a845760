// The reference inputs against what the platform itself made of each.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extract/extract.h"
#include "icon/bitmaps.h"
#include "icon/encode.h"
#include "support/test_icons.h"

namespace exeicon {
namespace {

const std::string kGolden = std::string(EXEICON_TEST_DATA) + "/golden/";

struct Status {
  std::string outcome;
  std::string name;
};

std::vector<Status> statuses() {
  std::ifstream in(kGolden + "status.tsv");
  std::vector<Status> out;
  std::string outcome, name;
  while (in >> outcome >> name) out.push_back({outcome, name});
  return out;
}

// The 16-entry table, the 4-bit colour rows and the 1-bit mask rows of an icon, laid
// out as they stand from byte 62 of a one-image 32 x 32 file.
std::vector<uint8_t> planes_of(const Icon& icon) {
  std::vector<uint8_t> out(64 + 512 + 128);
  BitmapInfoHeader h;
  h.biWidth = 32;
  h.biHeight = 32;
  h.biBitCount = 4;
  h.biClrUsed = 16;
  read_bitmap_bits(*icon.colour(), 0, 32, h, std::span<uint8_t>(out).first(64),
                   std::span<uint8_t>(out).subspan(64, 512));
  h.biBitCount = 1;
  h.biClrUsed = 0;
  std::vector<uint8_t> table(8);
  read_bitmap_bits(icon.mask(), 0, 32, h, table, std::span<uint8_t>(out).subspan(576));
  return out;
}

// The mask bits, top row first, as one char per pixel for a readable diff.
std::string mask_map(const std::vector<uint8_t>& planes) {
  std::string map;
  for (int row = 31; row >= 0; --row) {
    for (int x = 0; x < 32; ++x) {
      const uint8_t byte = planes[576 + static_cast<size_t>(row) * 4 + static_cast<size_t>(x / 8)];
      map += (byte >> (7 - x % 8) & 1) ? '#' : '.';
    }
    map += '\n';
  }
  return map;
}

std::vector<uint8_t> expected_planes(const std::string& name) {
  const auto bytes = testing::read_file(kGolden + "expected/" + name + ".ico");
  return {bytes.begin() + 62, bytes.end()};
}

// The inputs without an expected file are read as their formats say; each was drawn
// like another input that has one.
void check_without_reference(const std::string& name, const Icon& icon) {
  const std::vector<uint8_t> got = planes_of(icon);
  if (name == "bits32-bitfields.exe") {
    // The modern group's 32-bit picture, stored with bit fields: the same file.
    EXPECT_EQ(got, expected_planes("modern-group.exe"));
  } else if (name == "bits16-565-bitfields.exe") {
    // The 5-5-5 picture with a 6-bit green: its mask rows are read as usual.
    EXPECT_EQ(mask_map(got), mask_map(expected_planes("bits16-555.exe")));
  } else if (name == "png-rgb-64.exe") {
    // Opaque, with a blue frame around a red middle (red and blue not swapped).
    EXPECT_EQ(mask_map(got), mask_map(std::vector<uint8_t>(got.size(), 0)));
    EXPECT_EQ(nearest_vga_index(icon.colour()->at(0, 0)), 12);
    EXPECT_EQ(nearest_vga_index(icon.colour()->at(16, 16)), 9);
  } else {
    ADD_FAILURE() << "no check for " << name;
  }
}

TEST(Golden, EveryReferenceInputGivesThePlatformsOutcome) {
  const auto all = statuses();
  ASSERT_EQ(all.size(), 28u);
  for (const auto& [outcome, name] : all) {
    SCOPED_TRACE(name);
    Extraction e = extract_icon_file(kGolden + name);
    if (outcome == "null") {
      EXPECT_EQ(e.icon, nullptr);
      continue;
    }
    ASSERT_NE(e.icon, nullptr) << e.why;
    EXPECT_EQ(e.icon->width(), 32);
    EXPECT_EQ(e.icon->height(), 32);
    if (outcome == "bitmapinvalid") {
      EXPECT_TRUE(e.icon->is_monochrome());
      continue;
    }
    ASSERT_FALSE(e.icon->is_monochrome());
    if (outcome == "noref") {
      check_without_reference(name, *e.icon);
      continue;
    }

    const auto expected = testing::read_file(kGolden + "expected/" + name + ".ico");
    ASSERT_EQ(expected.size(), 766u);
    const std::vector<uint8_t> want(expected.begin() + 62, expected.end());
    const std::vector<uint8_t> got = planes_of(*e.icon);
    EXPECT_TRUE(std::equal(want.begin(), want.begin() + 576, got.begin())) << "table or colour pixels differ";
    if (name == "alpha-without-mask.exe") {
      // Mended on purpose: the mask comes from alpha, where the platform kept empty rows.
      for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
          ASSERT_EQ(e.icon->mask().at(x, y), e.icon->colour()->at(x, y) >> 24 < 255 ? 1u : 0u) << x << "," << y;
      EXPECT_NE(mask_map(got), mask_map(want));
      const auto& bytes = ico_bytes(e.icon.get());
      EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 638, expected.begin())) << "all but the mask";
    } else {
      EXPECT_EQ(mask_map(got), mask_map(want));
      // The whole file, as the encoder lays it out.
      EXPECT_TRUE(ico_bytes(e.icon.get()) == expected) << "encoded file differs";
    }
  }
}

}  // namespace
}  // namespace exeicon
