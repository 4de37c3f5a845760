#include <gtest/gtest.h>

#include "extract/containers.h"
#include "support/bytes.h"

namespace exeicon {
namespace {

using test::Bytes;
using test::entry;

TEST(GroupParse, ReadsEveryEntryField) {
  GroupEntry e = entry(48, 40, 8, 0x1234, 16);
  e.bReserved = 7;
  e.wPlanes = 2;
  e.dwBytesInRes = 0x01020304;
  const Bytes bytes = test::group_bytes({entry(16, 16, 4, 1), e});
  auto group = parse_icon_group(ByteView(bytes));
  ASSERT_TRUE(group) << group.why();
  ASSERT_EQ(2u, group->size());
  const GroupEntry& got = (*group)[1];
  EXPECT_EQ(48, got.bWidth);
  EXPECT_EQ(40, got.bHeight);
  EXPECT_EQ(16, got.bColorCount);
  EXPECT_EQ(7, got.bReserved);
  EXPECT_EQ(2, got.wPlanes);
  EXPECT_EQ(8, got.wBitCount);
  EXPECT_EQ(0x01020304u, got.dwBytesInRes);
  EXPECT_EQ(0x1234, got.nId);
}

TEST(GroupParse, RejectsMalformedGroups) {
  const Bytes good = test::group_bytes({entry(16, 16, 4, 1), entry(32, 32, 32, 2)});
  struct Case {
    const char* what;
    Bytes bytes;
  };
  auto with = [&](size_t at, uint16_t value) {
    Bytes b = good;
    test::put_u16(b, at, value);
    return b;
  };
  const Case cases[] = {
      {"empty", Bytes{}},
      {"header cut short", Bytes(good.begin(), good.begin() + 5)},
      {"last entry cut short", Bytes(good.begin(), good.end() - 1)},
      {"reserved not 0", with(0, 1)},
      {"type 2 (a cursor group)", with(2, 2)},
      {"count 0", with(4, 0)},
      {"count 65535 with two entries behind it", with(4, 65535)},
  };
  for (const Case& c : cases) {
    auto group = parse_icon_group(ByteView(c.bytes));
    EXPECT_FALSE(group) << c.what << ": expected a reject, got " << (group ? group->size() : 0) << " entries";
  }
}

TEST(GroupChoose, NearestSizeThenNearestDepth) {
  struct Case {
    const char* what;
    std::vector<GroupEntry> entries;
    size_t expected;
  };
  const Case cases[] = {
      {"one entry", {entry(16, 16, 4)}, 0},
      {"exact size and depth among others",
       {entry(16, 16, 32), entry(32, 32, 4), entry(32, 32, 32), entry(48, 48, 32), entry(0, 0, 32)},
       2},
      {"size tie: the first wins", {entry(24, 24, 8), entry(40, 40, 8)}, 0},
      {"size tie the other way round", {entry(40, 40, 8), entry(24, 24, 8)}, 0},
      {"size before depth", {entry(48, 48, 32), entry(40, 40, 4)}, 1},
      {"0 x 0 is 256 x 256, farther than 16", {entry(0, 0, 32), entry(16, 16, 4)}, 1},
      {"0 x 0 is 256 x 256, farther than 255", {entry(0, 0, 32), entry(255, 255, 32)}, 1},
      {"a lone 0 width is 0, as far as 64", {entry(0, 32, 32), entry(64, 32, 32)}, 0},
      {"nearest depth at the same size", {entry(32, 32, 4), entry(32, 32, 8), entry(32, 32, 24)}, 2},
      {"depth tie: the first wins", {entry(32, 32, 8), entry(32, 32, 24), entry(32, 32, 24)}, 1},
      {"equal depth distance above and below", {entry(32, 32, 16), entry(32, 32, 48)}, 0},
      {"depth counts at the same axis distances, smaller side too",
       {entry(32, 48, 4), entry(40, 40, 32), entry(32, 16, 32)},
       2},
      {"depth does not count at another pair of distances", {entry(32, 48, 4), entry(40, 40, 32)}, 0},
      {"depth does not count with the axes swapped", {entry(32, 48, 4), entry(48, 32, 32)}, 0},
      {"colour count is not used", {entry(32, 32, 4, 0, 16), entry(32, 32, 8, 0, 0)}, 1},
      {"colour count does not stand in for a 0 bit count",
       {entry(32, 32, 0, 0, 0), entry(32, 32, 0, 0, 16)},
       0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, choose_group_entry(c.entries)) << c.what;
  }
}

}  // namespace
}  // namespace exeicon
