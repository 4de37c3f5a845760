#include <gtest/gtest.h>

#include <functional>

#include "extract/containers.h"
#include "support/golden_images.h"
#include "support/ico_writer.h"

namespace exeicon {
namespace {

using test::Bytes;
using test::entry;
using test::ico_entry_at;
using test::tag;

std::string image_of(const Bytes& bytes) {
  MemorySource source(bytes);
  auto image = ico_icon_image(source);
  return image ? test::untag(*image) : "reject: " + image.why();
}

TEST(IcoGolden, ChoosesTheThirtyTwoBitImage) {
  auto source = FileSource::open(test::golden_path("icon-file.ico"));
  ASSERT_NE(nullptr, source);
  EXPECT_EQ("bmp 32x64 32-bit", test::describe_image(icon_image_bytes(*source)));
}

TEST(IcoWriter, ChoosesAsAGroupDoes) {
  struct Case {
    const char* what;
    std::vector<test::IcoImage> images;
    const char* expected;
  };
  const Case cases[] = {
      {"one image", {{entry(16, 16, 4), tag("only")}}, "only"},
      {"the 32 x 32 32-bit image", test::typical_ico_images(), "image-1"},
      {"size tie: the first wins", {{entry(24, 24, 8), tag("24")}, {entry(40, 40, 8), tag("40")}}, "24"},
      {"nearest depth",
       {{entry(32, 32, 4), tag("4")}, {entry(32, 32, 24), tag("24")}, {entry(32, 32, 8), tag("8")}},
       "24"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, image_of(test::write_ico(c.images))) << c.what;
}

TEST(IcoWriter, CutsTheImageAtTheEndOfTheFile) {
  struct Case {
    const char* what;
    uint32_t dwBytesInRes;
    const char* expected;
  };
  const Case cases[] = {
      {"the stored size", 7, "image-1"},
      {"fewer bytes than stored", 5, "image"},
      {"one byte past the end", 8, "image-1"},
      {"2^31", 0x80000000u, "image-1"},
      {"2^32 - 1", 0xFFFFFFFFu, "image-1"},
  };
  for (const Case& c : cases) {
    Bytes file = test::write_ico(test::typical_ico_images());
    test::put_u32(file, ico_entry_at(1) + 8, c.dwBytesInRes);
    EXPECT_EQ(c.expected, image_of(file)) << c.what;
  }
}

TEST(IcoMalformed, EachBrokenFieldGivesReject) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> breaks;
  };
  const Case cases[] = {
      {"empty", [](Bytes& b) { b.clear(); }},
      {"header cut short", [](Bytes& b) { b.resize(5); }},
      {"reserved not 0", [](Bytes& b) { test::put_u16(b, 0, 1); }},
      {"a cursor file", [](Bytes& b) { test::put_u16(b, 2, 2); }},
      {"count 0", [](Bytes& b) { test::put_u16(b, 4, 0); }},
      {"count 65535", [](Bytes& b) { test::put_u16(b, 4, 0xFFFF); }},
      {"count 3 with two entries behind", [](Bytes& b) { test::put_u16(b, 4, 3); b.resize(ico_entry_at(3) - 1); }},
      {"directory cut short", [](Bytes& b) { b.resize(ico_entry_at(2) - 1); }},
      {"image offset at the end", [](Bytes& b) { test::put_u32(b, ico_entry_at(1) + 12, static_cast<uint32_t>(b.size())); }},
      {"image offset past the end", [](Bytes& b) { test::put_u32(b, ico_entry_at(1) + 12, 0xFFFFFFF0); }},
      {"image size 0", [](Bytes& b) { test::put_u32(b, ico_entry_at(1) + 8, 0); }},
  };
  for (const Case& c : cases) {
    Bytes file = test::write_ico(test::typical_ico_images());
    c.breaks(file);
    MemorySource source(file);
    auto image = ico_icon_image(source);
    EXPECT_FALSE(image) << c.what << ": expected a reject, got " << image->size() << " bytes";
  }
}

TEST(IcoMalformed, EveryCutBeforeTheImageStartsGivesReject) {
  const Bytes file = test::write_ico(test::typical_ico_images());
  const size_t image_at = *ByteView(file).read_u32(ico_entry_at(1) + 12);
  for (size_t length = 0; length <= image_at; ++length) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ("reject", image_of(cut).substr(0, 6)) << "file cut to " << length << " bytes";
  }
}

}  // namespace
}  // namespace exeicon
