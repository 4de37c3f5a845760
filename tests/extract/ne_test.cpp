#include <gtest/gtest.h>

#include <functional>

#include "extract/containers.h"
#include "support/golden_images.h"
#include "support/ne_writer.h"

namespace exeicon {
namespace {

using test::Bytes;
using test::entry;
using test::NeFile;
using test::NeResource;
using test::tag;

constexpr uint16_t kIcon = 0x8003;
constexpr uint16_t kGroup = 0x800E;

std::string image_of(const Bytes& bytes) {
  MemorySource source(bytes);
  auto image = ne_icon_image(source);
  return image ? test::untag(*image) : "reject: " + image.why();
}

// The tag, padded with zeros to the alignment unit as the NE layout stores it.
std::string padded(const std::string& text, uint16_t shift) {
  const size_t unit = size_t{1} << shift;
  return text + std::string(test::align_up(text.size(), unit) - text.size(), '\0');
}

TEST(NeGolden, ChoosesTheThirtyTwoBitImage) {
  auto source = FileSource::open(test::golden_path("ne-program.exe"));
  ASSERT_NE(nullptr, source);
  EXPECT_EQ("bmp 32x64 32-bit", test::describe_image(icon_image_bytes(*source)));
}

TEST(NeWriter, BuildsFilesTheReaderAccepts) {
  const Bytes group_1_2 = test::group_bytes({entry(16, 16, 4, 1), entry(32, 32, 32, 2)});
  struct Case {
    const char* what;
    std::vector<NeResource> resources;
    uint16_t shift;
    std::string expected;
  };
  const Case cases[] = {
      {"shift 4", test::typical_ne_resources(), 4, padded("image-2", 4)},
      {"shift 0: units of one byte", test::typical_ne_resources(), 0, "image-2"},
      {"shift 9", test::typical_ne_resources(), 9, padded("image-2", 9)},
      {"the first group in file order",
       {{kIcon, 0x8001, tag("image-1")},
        {kIcon, 0x8002, tag("image-2")},
        {kGroup, 0x8009, test::group_bytes({entry(32, 32, 32, 2)})},
        {kGroup, 0x8001, test::group_bytes({entry(32, 32, 32, 1)})}},
       0,
       "image-2"},
      {"the first group across type blocks",
       {{kGroup, 0x8009, test::group_bytes({entry(32, 32, 32, 2)})},
        {kIcon, 0x8001, tag("image-1")},
        {kIcon, 0x8002, tag("image-2")},
        {kGroup, 0x8001, test::group_bytes({entry(32, 32, 32, 1)})}},
       0,
       "image-2"},
      {"icon ID n names the entry n | 0x8000, not a named n",
       {{kIcon, 0x0002, tag("named-2")}, {kIcon, 0x8002, tag("image-2")}, {kGroup, 0x8001, group_1_2}},
       0,
       "image-2"},
      {"icons in a later type block",
       {{kIcon, 0x8001, tag("image-1")},
        {0x8006, 0x8001, tag("string")},
        {kIcon, 0x8002, tag("image-2")},
        {kGroup, 0x8001, group_1_2}},
       0,
       "image-2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, image_of(test::write_ne(c.resources, c.shift).bytes)) << c.what;
  }
}

TEST(NeWriter, CutsTheLastResourceAtTheEndOfTheFile) {
  // Lengths count whole alignment units; the last one may run past an unpadded file.
  NeFile file = test::write_ne(
      {{kGroup, 0x8001, test::group_bytes({entry(32, 32, 32, 2)})}, {kIcon, 0x8002, tag("image-2")}}, 4);
  file.bytes.resize(file.bytes.size() - 9);
  EXPECT_EQ("image-2", image_of(file.bytes));
}

TEST(NeMalformed, EachBrokenFieldGivesReject) {
  struct Case {
    const char* what;
    std::function<void(NeFile&)> breaks;
  };
  // The typical resources' entries: icon 1, icon 2, then the group.
  const size_t icon_2 = 1, group = 2;
  const Case cases[] = {
      {"DOS header cut short", [](NeFile& f) { f.bytes.resize(0x3E); }},
      {"NE header cut short", [](NeFile& f) { f.bytes.resize(f.ne_header + 0x20); }},
      {"e_lfanew past the end", [](NeFile& f) { test::put_u32(f.bytes, 0x3C, 0x7FFFFFF0); }},
      {"no NE signature", [](NeFile& f) { f.put16(f.ne_header, 0x454C); }},
      {"resource table offset equals the resident-name table's",
       [](NeFile& f) { f.put16(f.ne_header + 0x24, *ByteView(f.bytes).read_u16(f.ne_header + 0x26)); }},
      {"resource table past the end", [](NeFile& f) { f.put16(f.ne_header + 0x24, 0xFFFF); }},
      {"shift 255", [](NeFile& f) { f.put16(f.resource_table, 255); }},
      {"shift 25", [](NeFile& f) { f.put16(f.resource_table, 25); }},
      {"shift 24 puts every resource past the end", [](NeFile& f) { f.put16(f.resource_table, 24); }},
      {"type count 65535 with no entries behind", [](NeFile& f) { f.put16(f.type_at[1] + 2, 0xFFFF); }},
      {"table cut before its closing type 0", [](NeFile& f) { f.bytes.resize(f.entry_at[group] + 12); }},
      {"no group type", [](NeFile& f) { f.put16(f.type_at[1], 0x8005); }},
      {"no icon type", [](NeFile& f) { f.put16(f.type_at[0], 0x8005); }},
      {"group offset past the end", [](NeFile& f) { f.put16(f.entry_at[group], 0xFFFF); }},
      {"group length 0", [](NeFile& f) { f.put16(f.entry_at[group] + 2, 0); }},
      {"image offset past the end", [=](NeFile& f) { f.put16(f.entry_at[icon_2], 0xFFFF); }},
      {"image length 0", [=](NeFile& f) { f.put16(f.entry_at[icon_2] + 2, 0); }},
      {"group names an icon that is missing", [=](NeFile& f) { f.put16(f.entry_at[icon_2] + 6, 0x8007); }},
      {"group counts 65535 entries",
       [=](NeFile& f) {
         const size_t at = size_t{*ByteView(f.bytes).read_u16(f.entry_at[group])} << 4;
         f.put16(at + 4, 0xFFFF);
       }},
  };
  for (const Case& c : cases) {
    NeFile file = test::write_ne(test::typical_ne_resources(), 4);
    c.breaks(file);
    MemorySource source(file.bytes);
    auto image = ne_icon_image(source);
    EXPECT_FALSE(image) << c.what << ": expected a reject, got " << image->size() << " bytes";
  }
}

TEST(NeMalformed, EveryCutBeforeTheGroupEndsGivesReject) {
  // The group is stored last; its two entries end 34 bytes into it.
  const NeFile file = test::write_ne(test::typical_ne_resources(), 4);
  const size_t group_end = (size_t{*ByteView(file.bytes).read_u16(file.entry_at[2])} << 4) + 34;
  for (size_t length = 0; length < group_end; ++length) {
    const Bytes cut(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ("reject", image_of(cut).substr(0, 6)) << "file cut to " << length << " bytes";
  }
}

}  // namespace
}  // namespace exeicon
