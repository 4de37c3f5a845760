#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "extract/extract.h"
#include "extract/limits.h"
#include "support/ico_writer.h"
#include "support/image_builder.h"
#include "support/ne_writer.h"
#include "support/pe_writer.h"

namespace exeicon {
namespace {

using test::Bytes;
using test::entry;
using test::id_of;
using testing::BmpLayout;

constexpr auto kSide = static_cast<uint32_t>(limits::kMaxImageSide);
// The height that, at the widest side, makes exactly the most pixels.
constexpr auto kFullHeight = static_cast<uint32_t>(limits::kMaxImagePixels / limits::kMaxImageSide);
constexpr auto kImageBytes = static_cast<uint32_t>(limits::kMaxImageBytes);
constexpr uint32_t kEntries = limits::kMaxDirectoryEntries;

// A 32 x 32 4-bit image: the one every file below names.
Bytes small_bmp() {
  return testing::build_bmp({.width = 32,
                             .height = 32,
                             .bit_count = 4,
                             .table = std::vector<uint32_t>(16, 0x336699),
                             .pixels = std::vector<uint32_t>(32 * 32, 1),
                             .mask = std::vector<uint8_t>(32 * 32, 0)});
}

// A 1-bit BMP of width x height whose header may then claim another size.
Bytes bmp_of(uint32_t width, uint32_t height) {
  const size_t pixels = size_t{width} * height;
  return testing::build_bmp({.width = static_cast<int32_t>(width),
                             .height = static_cast<int32_t>(height),
                             .bit_count = 1,
                             .table = {0x112233, 0x445566},
                             .pixels = std::vector<uint32_t>(pixels, 1),
                             .mask = std::vector<uint8_t>(pixels, 0)});
}

Bytes bmp_claiming(uint32_t width, uint32_t height) {
  Bytes b = bmp_of(4, 4);
  testing::put_u32(b, 4, width);
  testing::put_u32(b, 8, 2 * height);
  return b;
}

// A 1-bit grey PNG: small to store, a full 32-bit image once decoded.
Bytes png_of(uint32_t width, uint32_t height) {
  const size_t row = (width + 7) / 8;
  return testing::build_png({.width = width,
                             .height = height,
                             .bit_depth = 1,
                             .color_type = 0,
                             .data = std::vector<uint8_t>(row * height, 0x5A)});
}

Bytes png_claiming(uint32_t width, uint32_t height) {
  Bytes b = png_of(4, 4);
  testing::set_png_size(b, width, height);
  return b;
}

Bytes in_ico(const Bytes& image) { return test::write_ico({{entry(32, 32, 4), image}}); }

// An .ico whose directory has `count` entries; the last is the one a request takes.
Bytes ico_with_entries(uint32_t count) {
  std::vector<test::IcoImage> images(count - 1, {entry(16, 16, 4), test::tag("x")});
  images.push_back({entry(32, 32, 32), small_bmp()});
  return test::write_ico(images);
}

// A PE whose icon name directory has `count` entries; the group names the last one.
Bytes pe_with_icon_entries(uint32_t count) {
  std::vector<test::PeResource> resources;
  for (uint32_t i = 0; i + 1 < count; ++i) resources.push_back({id_of(3), id_of(100 + i), 0x409, test::tag("x")});
  resources.push_back({id_of(3), id_of(1), 0x409, small_bmp()});
  resources.push_back({id_of(14), id_of(1), 0x409, test::group_bytes({entry(32, 32, 4, 1)})});
  return test::write_pe(resources).bytes;
}

// A PE with NumberOfSections `count` (the table's extra rows are zeros).
Bytes pe_with_sections(uint16_t count) {
  test::PeFile file = test::write_pe({{id_of(3), id_of(1), 0x409, small_bmp()},
                                      {id_of(14), id_of(1), 0x409, test::group_bytes({entry(32, 32, 4, 1)})}});
  file.put16(file.e_lfanew + 6, count);
  if (file.bytes.size() < file.section_table + 40 * size_t{count}) file.bytes.resize(file.section_table + 40 * size_t{count});
  return file.bytes;
}

// A PE whose image resource says it holds `size` bytes: the image, then zeros.
Bytes pe_with_image_size(uint32_t size) {
  Bytes image = small_bmp();
  image.resize(size);
  return test::write_pe({{id_of(3), id_of(1), 0x409, image},
                         {id_of(14), id_of(1), 0x409, test::group_bytes({entry(32, 32, 4, 1)})}})
      .bytes;
}

Bytes ico_with_image_size(uint32_t size) {
  Bytes image = small_bmp();
  image.resize(size);
  return in_ico(image);
}

// An NE program with `count` resources in all: fillers of another type, then the icon
// and its group.
Bytes ne_with_resources(uint32_t count) {
  std::vector<test::NeResource> resources(count - 2, {0x8005, 0x8001, test::tag("x")});
  resources.push_back({0x8003, 0x8001, small_bmp()});
  resources.push_back({0x800E, 0x8001, test::group_bytes({entry(32, 32, 4, 1)})});
  return test::write_ne(resources).bytes;
}

// An NE program with `count` type blocks: alternating filler types, then the icon's
// and the group's.
Bytes ne_with_type_blocks(uint32_t count) {
  std::vector<test::NeResource> resources;
  for (uint32_t i = 0; i + 2 < count; ++i) {
    resources.push_back({static_cast<uint16_t>(i % 2 ? 0x8005 : 0x8006), 0x8001, test::tag("x")});
  }
  resources.push_back({0x8003, 0x8001, small_bmp()});
  resources.push_back({0x800E, 0x8001, test::group_bytes({entry(32, 32, 4, 1)})});
  return test::write_ne(resources).bytes;
}

TEST(Limits, EachHoldsAtItsEdge) {
  struct Case {
    std::string what;
    std::function<Bytes()> file;
    bool icon;
  };
  const std::vector<Case> cases = {
      {"BMP at the side and pixel limits", [] { return in_ico(bmp_of(kSide, kFullHeight)); }, true},
      {"BMP as tall as the side limit", [] { return in_ico(bmp_of(1, kSide)); }, true},
      {"BMP one row taller", [] { return in_ico(bmp_claiming(1, kSide + 1)); }, false},
      {"BMP one row past the pixel limit", [] { return in_ico(bmp_claiming(kSide, kFullHeight + 1)); }, false},
      {"PNG at the side and pixel limits", [] { return in_ico(png_of(kSide, kFullHeight)); }, true},
      {"PNG as tall as the side limit", [] { return in_ico(png_of(1, kSide)); }, true},
      {"PNG one row taller", [] { return in_ico(png_claiming(1, kSide + 1)); }, false},
      {"PNG one row past the pixel limit", [] { return in_ico(png_claiming(kSide, kFullHeight + 1)); }, false},
      {"PE image of the byte limit", [] { return pe_with_image_size(kImageBytes); }, true},
      {"PE image one byte larger", [] { return pe_with_image_size(kImageBytes + 1); }, false},
      {".ico image of the byte limit", [] { return ico_with_image_size(kImageBytes); }, true},
      {".ico image one byte larger", [] { return ico_with_image_size(kImageBytes + 1); }, false},
      {".ico directory of the entry limit", [] { return ico_with_entries(kEntries); }, true},
      {".ico directory one entry larger", [] { return ico_with_entries(kEntries + 1); }, false},
      {"PE directory of the entry limit", [] { return pe_with_icon_entries(kEntries); }, true},
      {"PE directory one entry larger", [] { return pe_with_icon_entries(kEntries + 1); }, false},
      {"NE resources of the entry limit", [] { return ne_with_resources(kEntries); }, true},
      {"NE resources one entry more", [] { return ne_with_resources(kEntries + 1); }, false},
      {"NE type blocks of the limit", [] { return ne_with_type_blocks(limits::kMaxNeTypeBlocks); }, true},
      {"NE type blocks one more", [] { return ne_with_type_blocks(limits::kMaxNeTypeBlocks + 1); }, false},
      {"PE sections of the limit", [] { return pe_with_sections(limits::kMaxSections); }, true},
      {"PE sections one more", [] { return pe_with_sections(limits::kMaxSections + 1); }, false},
  };
  for (const Case& c : cases) {
    const Bytes file = c.file();
    const Extraction got = extract_icon_bytes(file);
    EXPECT_EQ(c.icon, got.icon != nullptr)
        << c.what << ": expected " << (c.icon ? "an icon" : "null") << ", got "
        << (got.icon ? "an icon" : "null (" + got.why + ")");
  }
}

}  // namespace
}  // namespace exeicon
