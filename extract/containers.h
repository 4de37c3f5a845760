#pragma once

#include <cstdint>
#include <vector>

#include "extract/byte_view.h"
#include "extract/result.h"
#include "extract/source.h"

namespace exeicon {

// What kind of file this is, by its content alone.
enum class FileKind { unknown, pe, ne, ico };

FileKind sniff_file(Source& source);

// One entry of an icon group (the resource layout; an .ico directory entry maps onto
// it with its place in the directory as the ID).
struct GroupEntry {
  uint8_t bWidth = 0;
  uint8_t bHeight = 0;
  uint8_t bColorCount = 0;
  uint8_t bReserved = 0;
  uint16_t wPlanes = 0;
  uint16_t wBitCount = 0;
  uint32_t dwBytesInRes = 0;
  uint16_t nId = 0;
};

// Reads the 12 bytes a group entry and an .ico directory entry share (all but the ID),
// which the caller has checked lie inside the view.
GroupEntry read_entry_sizes(ByteView view, uint64_t at);

// Parses a group resource: a 6-byte header and `count` 14-byte entries.
Result<std::vector<GroupEntry>> parse_icon_group(ByteView group);

// The entry a 32 x 32 request at 32 bits takes: the nearest size, then the nearest
// depth among entries at the same size distances; the first wins each tie.
size_t choose_group_entry(const std::vector<GroupEntry>& entries);

// The bytes of the image that icon number 0 of a file of each kind is drawn from.
Result<std::vector<uint8_t>> pe_icon_image(Source& source);
Result<std::vector<uint8_t>> ne_icon_image(Source& source);
Result<std::vector<uint8_t>> ico_icon_image(Source& source);

// The bytes of icon number 0's image, whatever kind of file this is.
Result<std::vector<uint8_t>> icon_image_bytes(Source& source);

}  // namespace exeicon
