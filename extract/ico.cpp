#include <algorithm>

#include "extract/byte_view.h"
#include "extract/containers.h"
#include "extract/limits.h"

namespace exeicon {

namespace {

constexpr uint64_t kHeaderBytes = 6;
constexpr uint64_t kEntryBytes = 16;

}  // namespace

Result<std::vector<uint8_t>> ico_icon_image(Source& source) {
  auto header_bytes = source.fetch(0, kHeaderBytes);
  if (!header_bytes) return Reject{"icon file header truncated"};
  const ByteView header(*header_bytes);
  if (*header.read_u16(0) != 0 || *header.read_u16(2) != 1) return Reject{"not an icon file"};
  const uint16_t count = *header.read_u16(4);
  if (count == 0) return Reject{"icon file is empty"};
  if (count > limits::kMaxDirectoryEntries) return Reject{"icon file directory too large"};
  auto directory_bytes = source.fetch(kHeaderBytes, count * kEntryBytes);
  if (!directory_bytes) return Reject{"icon file directory past the end"};
  const ByteView directory(*directory_bytes);

  std::vector<GroupEntry> entries;
  std::vector<uint32_t> offsets;
  for (uint16_t i = 0; i < count; ++i) {
    const uint64_t at = i * kEntryBytes;
    GroupEntry entry = read_entry_sizes(directory, at);
    // The place in the directory stands for the resource ID a group would carry.
    entry.nId = i;
    entries.push_back(entry);
    offsets.push_back(*directory.read_u32(at + 12));
  }

  const size_t chosen = choose_group_entry(entries);
  const uint64_t offset = offsets[chosen];
  if (offset >= source.size()) return Reject{"icon image past the end"};
  const uint64_t length = std::min(uint64_t{entries[chosen].dwBytesInRes}, source.size() - offset);
  if (length == 0) return Reject{"icon image is empty"};
  if (length > limits::kMaxImageBytes) return Reject{"icon image too large"};
  auto image = source.fetch(offset, length);
  if (!image) return Reject{"icon image unreadable"};
  return std::move(*image);
}

}  // namespace exeicon
