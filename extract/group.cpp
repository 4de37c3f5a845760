#include <cstdlib>

#include "extract/byte_view.h"
#include "extract/containers.h"

namespace exeicon {

namespace {

constexpr uint64_t kGroupHeaderBytes = 6;
constexpr uint64_t kGroupEntryBytes = 14;
constexpr int kWantedSide = 32;
constexpr int kWantedBits = 32;

// An entry's width or height byte; 0 in both stands for 256.
int side_of(uint8_t side, const GroupEntry& entry) {
  if (entry.bWidth == 0 && entry.bHeight == 0) return 256;
  return side;
}

int width_distance(const GroupEntry& entry) {
  return std::abs(kWantedSide - side_of(entry.bWidth, entry));
}
int height_distance(const GroupEntry& entry) {
  return std::abs(kWantedSide - side_of(entry.bHeight, entry));
}
int depth_distance(const GroupEntry& entry) { return std::abs(kWantedBits - entry.wBitCount); }

}  // namespace

GroupEntry read_entry_sizes(ByteView view, uint64_t at) {
  GroupEntry entry;
  entry.bWidth = *view.read_u8(at);
  entry.bHeight = *view.read_u8(at + 1);
  entry.bColorCount = *view.read_u8(at + 2);
  entry.bReserved = *view.read_u8(at + 3);
  entry.wPlanes = *view.read_u16(at + 4);
  entry.wBitCount = *view.read_u16(at + 6);
  entry.dwBytesInRes = *view.read_u32(at + 8);
  return entry;
}

Result<std::vector<GroupEntry>> parse_icon_group(ByteView group) {
  auto reserved = group.read_u16(0);
  auto type = group.read_u16(2);
  auto count = group.read_u16(4);
  if (!reserved || !type || !count) return Reject{"icon group header truncated"};
  if (*reserved != 0 || *type != 1) return Reject{"not an icon group"};
  if (*count == 0) return Reject{"icon group is empty"};
  if (!group.has(kGroupHeaderBytes, uint64_t{*count} * kGroupEntryBytes)) {
    return Reject{"icon group entries past its end"};
  }
  std::vector<GroupEntry> entries;
  entries.reserve(*count);
  for (uint64_t i = 0; i < *count; ++i) {
    const uint64_t at = kGroupHeaderBytes + i * kGroupEntryBytes;
    GroupEntry entry = read_entry_sizes(group, at);
    entry.nId = *group.read_u16(at + 12);
    entries.push_back(entry);
  }
  return entries;
}

size_t choose_group_entry(const std::vector<GroupEntry>& entries) {
  if (entries.empty()) return 0;
  size_t nearest = 0;
  for (size_t i = 1; i < entries.size(); ++i) {
    if (width_distance(entries[i]) + height_distance(entries[i]) <
        width_distance(entries[nearest]) + height_distance(entries[nearest])) {
      nearest = i;
    }
  }
  // Depth decides only among entries at the winner's own width and height distances.
  const int want_w = width_distance(entries[nearest]);
  const int want_h = height_distance(entries[nearest]);
  size_t chosen = nearest;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (width_distance(entries[i]) != want_w || height_distance(entries[i]) != want_h) continue;
    if (depth_distance(entries[i]) < depth_distance(entries[chosen])) {
      chosen = i;
    }
  }
  return chosen;
}

}  // namespace exeicon
