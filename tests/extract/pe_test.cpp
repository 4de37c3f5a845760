#include <gtest/gtest.h>

#include <functional>

#include "extract/containers.h"
#include "support/golden_images.h"
#include "support/pe_writer.h"

namespace exeicon {
namespace {

using test::Bytes;
using test::entry;
using test::id_of;
using test::name_of;
using test::PeFile;
using test::PeResource;
using test::tag;

std::string image_of(const Bytes& bytes) {
  MemorySource source(bytes);
  auto image = pe_icon_image(source);
  return image ? test::untag(*image) : "reject: " + image.why();
}

TEST(PeGolden, ChoosesTheImageTheGroupAsks) {
  struct Case {
    const char* file;
    const char* expected;
  };
  const Case cases[] = {
      {"modern-group.exe", "bmp 32x64 32-bit"},
      {"modern-group-pe32.exe", "bmp 32x64 32-bit"},
      // Group "APP" names the 8-bit image, group 1 the 4-bit one.
      {"named-before-numbered.exe", "bmp 32x64 8-bit"},
      // Group 7 names the 4-bit image, group 300 the 8-bit one.
      {"lowest-id-first.exe", "bmp 32x64 4-bit"},
      {"depth-choice.exe", "bmp 32x64 24-bit"},
      {"size-tie.exe", "bmp 24x48 8-bit"},
      {"only-png-256.exe", "png"},
      {"no-icons.exe", "reject"},
      {"not-a-program.txt", "reject"},
  };
  for (const Case& c : cases) {
    auto source = FileSource::open(test::golden_path(c.file));
    ASSERT_NE(nullptr, source) << c.file;
    EXPECT_EQ(c.expected, test::describe_image(icon_image_bytes(*source))) << c.file;
  }
}

TEST(PeGolden, TakesTheFirstStoredLanguage) {
  auto source = FileSource::open(test::golden_path("two-languages.exe"));
  ASSERT_NE(nullptr, source);
  auto image = pe_icon_image(*source);
  ASSERT_TRUE(image) << image.why();
  // Group 1 in 0x407, stored first, names icon 2: the stripes, at this file offset.
  auto stripes = source->fetch(0x3BD0, 744);
  ASSERT_TRUE(stripes);
  EXPECT_TRUE(*image == *stripes) << "got " << image->size() << " bytes that are not icon 2's";
}

TEST(PeWriter, BuildsFilesTheReaderAccepts) {
  struct Case {
    const char* what;
    std::vector<PeResource> resources;
    bool pe32_plus;
    const char* expected;
  };
  const Bytes group_1_2 = test::group_bytes({entry(16, 16, 4, 1), entry(32, 32, 32, 2)});
  const Case cases[] = {
      {"PE32+", test::typical_pe_resources(), true, "image-2"},
      {"PE32", test::typical_pe_resources(), false, "image-2"},
      {"types stored unsorted: 14 before 3",
       {{id_of(14), id_of(1), 0x409, group_1_2},
        {id_of(3), id_of(1), 0x409, tag("image-1")},
        {id_of(3), id_of(2), 0x409, tag("image-2")}},
       true,
       "image-2"},
      {"icons stored unsorted",
       {{id_of(3), id_of(9), 0x409, tag("image-9")},
        {id_of(3), id_of(2), 0x409, tag("image-2")},
        {id_of(3), id_of(1), 0x409, tag("image-1")},
        {id_of(14), id_of(1), 0x409, group_1_2}},
       true,
       "image-2"},
      {"the first group as stored, not the lowest ID",
       {{id_of(3), id_of(1), 0x409, tag("image-1")},
        {id_of(3), id_of(2), 0x409, tag("image-2")},
        {id_of(14), id_of(5), 0x409, test::group_bytes({entry(32, 32, 32, 2)})},
        {id_of(14), id_of(4), 0x409, test::group_bytes({entry(32, 32, 32, 1)})}},
       true,
       "image-2"},
      {"a named group stands before an integer one",
       {{id_of(3), id_of(1), 0x409, tag("image-1")},
        {id_of(3), id_of(2), 0x409, tag("image-2")},
        {id_of(14), id_of(1), 0x409, test::group_bytes({entry(32, 32, 32, 1)})},
        {id_of(14), name_of("MAIN"), 0x409, test::group_bytes({entry(32, 32, 32, 2)})}},
       true,
       "image-2"},
      {"the icon's first stored language",
       {{id_of(3), id_of(2), 0x409, tag("image-2-en")},
        {id_of(3), id_of(2), 0x407, tag("image-2-de")},
        {id_of(14), id_of(1), 0x409, group_1_2}},
       true,
       "image-2-en"},
      {"a type named \"14\" is not the group type",
       {{id_of(3), id_of(1), 0x409, tag("image-1")},
        {id_of(3), id_of(2), 0x409, tag("image-2")},
        {name_of("14"), id_of(1), 0x409, test::group_bytes({entry(32, 32, 32, 2)})},
        {id_of(14), id_of(1), 0x409, test::group_bytes({entry(32, 32, 32, 1)})}},
       true,
       "image-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, image_of(test::write_pe(c.resources, c.pe32_plus).bytes)) << c.what;
  }
}

TEST(PeMalformed, EachBrokenFieldGivesReject) {
  const std::vector<PeResource> typical = test::typical_pe_resources();
  struct Case {
    const char* what;
    std::function<void(PeFile&)> breaks;
    bool pe32_plus = true;
  };
  const uint32_t directory_bit = 0x80000000u;
  // Offsets inside the optional header of a PE32+ file.
  const size_t rva_count = 108, resource_rva = 112 + 16;
  const Case cases[] = {
      {"empty file", [](PeFile& f) { f.bytes.clear(); }},
      {"DOS header cut short", [](PeFile& f) { f.bytes.resize(0x3E); }},
      {"COFF header cut short", [](PeFile& f) { f.bytes.resize(f.e_lfanew + 12); }},
      {"optional header cut short", [](PeFile& f) { f.bytes.resize(f.optional_header + 100); }},
      {"section table cut short", [](PeFile& f) { f.bytes.resize(f.section_table + 60); }},
      {"resource section cut short", [](PeFile& f) { f.bytes.resize(f.rsrc_raw + 20); }},
      {"no MZ", [](PeFile& f) { f.put16(0, 0x4D5A); }},
      {"no PE signature", [](PeFile& f) { f.put32(f.e_lfanew, 0x00004551); }},
      {"e_lfanew past the end", [](PeFile& f) { f.put32(0x3C, static_cast<uint32_t>(f.bytes.size() + 8)); }},
      {"e_lfanew at 2^32 - 1", [](PeFile& f) { f.put32(0x3C, 0xFFFFFFFF); }},
      {"unknown optional-header magic", [](PeFile& f) { f.put16(f.optional_header, 0x107); }},
      {"PE32 magic on a PE32+ layout puts the directory elsewhere",
       [](PeFile& f) { f.put16(f.optional_header, 0x10B); }},
      {"NumberOfRvaAndSizes 2", [=](PeFile& f) { f.put32(f.optional_header + rva_count, 2); }},
      {"SizeOfOptionalHeader too small for directory 2", [](PeFile& f) { f.put16(f.e_lfanew + 20, 120); }},
      {"SizeOfOptionalHeader past the end", [](PeFile& f) { f.put16(f.e_lfanew + 20, 0xFFFF); }},
      {"no resource directory", [=](PeFile& f) { f.put32(f.optional_header + resource_rva, 0); }},
      {"resource RVA in no section", [=](PeFile& f) { f.put32(f.optional_header + resource_rva, 0x7FFF0000); }},
      {"resource RVA at 2^32 - 16", [=](PeFile& f) { f.put32(f.optional_header + resource_rva, 0xFFFFFFF0); }},
      {"NumberOfSections 0", [](PeFile& f) { f.put16(f.e_lfanew + 6, 0); }},
      {"NumberOfSections 65535", [](PeFile& f) { f.put16(f.e_lfanew + 6, 0xFFFF); }},
      {"section's raw data past the end", [](PeFile& f) { f.put32(f.section_table + 40 + 20, 0xFFFFFE00); }},
      {"resource section moved away from the RVA", [](PeFile& f) { f.put32(f.section_table + 40 + 12, 0x9000); }},
      {"section holds no raw data", [](PeFile& f) { f.put32(f.section_table + 40 + 16, 0); }},
      {"group type missing", [](PeFile& f) { f.put32(f.entry("", 1), 15); }},
      {"icon type missing", [](PeFile& f) { f.put32(f.entry("", 0), 4); }},
      {"group type only under a name", [&](PeFile& f) { f.put32(f.entry("", 1), directory_bit | 0); }},
      {"type level: data where a directory belongs",
       [](PeFile& f) { f.put32(f.entry("", 1) + 4, f.rel.at("14/1/1033")); }},
      {"name level: data where a directory belongs",
       [](PeFile& f) { f.put32(f.entry("14", 0) + 4, f.rel.at("14/1/1033")); }},
      {"language level: a directory where data belongs",
       [=](PeFile& f) { f.put32(f.entry("14/1", 0) + 4, directory_bit | f.rel.at("3")); }},
      {"group name level points back at the root", [=](PeFile& f) { f.put32(f.entry("14", 0) + 4, directory_bit); }},
      {"group name level points at itself",
       [=](PeFile& f) { f.put32(f.entry("14", 0) + 4, directory_bit | f.rel.at("14")); }},
      {"language level points back at its name level",
       [=](PeFile& f) { f.put32(f.entry("14/1", 0) + 4, directory_bit | f.rel.at("14")); }},
      {"icon type shares the group type's directory",
       [=](PeFile& f) { f.put32(f.entry("", 0) + 4, directory_bit | f.rel.at("14")); }},
      {"subdirectory offset past the section",
       [=](PeFile& f) { f.put32(f.entry("14", 0) + 4, directory_bit | 0x7FFFFFF0); }},
      {"root counts 65535 integer entries", [](PeFile& f) { f.put16(f.at("") + 14, 0xFFFF); }},
      {"root counts 65535 named and 65535 integer entries",
       [](PeFile& f) {
         f.put16(f.at("") + 12, 0xFFFF);
         f.put16(f.at("") + 14, 0xFFFF);
       }},
      {"name level counts 4000 entries with no data behind", [](PeFile& f) { f.put16(f.at("3") + 14, 4000); }},
      {"group name level is empty", [](PeFile& f) { f.put16(f.at("14") + 14, 0); }},
      {"group language level is empty", [](PeFile& f) { f.put16(f.at("14/1") + 14, 0); }},
      {"icon language level is empty", [](PeFile& f) { f.put16(f.at("3/2") + 14, 0); }},
      {"data entry offset past the section", [](PeFile& f) { f.put32(f.entry("3/2", 0) + 4, 0x7FFFFFF0); }},
      {"image RVA past the end", [](PeFile& f) { f.put32(f.at("3/2/1033"), 0xFFFFFFF0); }},
      {"image size past the end", [](PeFile& f) { f.put32(f.at("3/2/1033") + 4, 0x10000); }},
      {"image size 2^31", [](PeFile& f) { f.put32(f.at("3/2/1033") + 4, 0x80000000u); }},
      {"image size 2^32 - 1", [](PeFile& f) { f.put32(f.at("3/2/1033") + 4, 0xFFFFFFFF); }},
      {"image size 0", [](PeFile& f) { f.put32(f.at("3/2/1033") + 4, 0); }},
      {"group size past the end", [](PeFile& f) { f.put32(f.at("14/1/1033") + 4, 0x10000); }},
      {"group size 4", [](PeFile& f) { f.put32(f.at("14/1/1033") + 4, 4); }},
      {"group counts 65535 entries",
       [](PeFile& f) {
         const uint32_t rva = *ByteView(f.bytes).read_u32(f.at("14/1/1033"));
         f.put16(f.rsrc_raw + (rva - f.rsrc_rva) + 4, 0xFFFF);
       }},
      {"group names an icon that is missing",
       [](PeFile& f) {
         const uint32_t rva = *ByteView(f.bytes).read_u32(f.at("14/1/1033"));
         f.put16(f.rsrc_raw + (rva - f.rsrc_rva) + 6 + 14 + 12, 99);
       }},
      {"PE32: NumberOfRvaAndSizes 2", [](PeFile& f) { f.put32(f.optional_header + 92, 2); }, false},
      {"PE32: no resource directory", [](PeFile& f) { f.put32(f.optional_header + 96 + 16, 0); }, false},
  };
  for (const Case& c : cases) {
    PeFile file = test::write_pe(typical, c.pe32_plus);
    c.breaks(file);
    MemorySource source(file.bytes);
    auto image = pe_icon_image(source);
    EXPECT_FALSE(image) << c.what << ": expected a reject, got " << image->size() << " bytes";
    if (!image) {
      EXPECT_FALSE(image.why().empty()) << c.what;
    }
  }
}

TEST(PeMalformed, EveryCutBeforeTheResourcesEndGivesReject) {
  const PeFile file = test::write_pe(test::typical_pe_resources());
  // The resources end where the .rsrc section's VirtualSize says; its raw size is padding.
  const size_t resources_end = file.rsrc_raw + *ByteView(file.bytes).read_u32(file.section_table + 40 + 8);
  for (size_t length = 0; length < resources_end; ++length) {
    const Bytes cut(file.bytes.begin(), file.bytes.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ("reject", image_of(cut).substr(0, 6)) << "file cut to " << length << " bytes";
  }
  const auto end = file.bytes.begin() + static_cast<std::ptrdiff_t>(resources_end);
  EXPECT_EQ("image-2", image_of(Bytes(file.bytes.begin(), end)));
}

TEST(PeMalformed, ReadsOnlyTheRegionsItNeeds) {
  // A large section of filler after the resources costs nothing to skip.
  PeFile file = test::write_pe(test::typical_pe_resources());
  file.bytes.resize(file.bytes.size() + (8u << 20));
  MemorySource source(file.bytes);
  ASSERT_TRUE(pe_icon_image(source));
  EXPECT_LT(source.bytes_read(), 4096u);
}

}  // namespace
}  // namespace exeicon
