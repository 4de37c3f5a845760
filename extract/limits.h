#pragma once

#include <cstdint>

// Every bound the readers put on what a file may ask for. A file past one of them gives
// no icon, exactly as a file without icons does.
namespace exeicon::limits {

// Bytes read from one file in all: headers, the resource tree, one group, one image.
inline constexpr uint64_t kMaxBytesRead = 48ull << 20;
// Bytes of one icon image (a BMP or PNG resource, or an .ico directory entry).
inline constexpr uint64_t kMaxImageBytes = 16ull << 20;
// Width or height of an image, in pixels.
inline constexpr int64_t kMaxImageSide = 4096;
// Pixels of one decoded image (512 x 512, twice an icon's largest side): libspng takes
// up to 100 ns a pixel to expand a 1-bit PNG, and one extraction has 100 ms.
inline constexpr int64_t kMaxImagePixels = 512ll * 512;
// Entries in a bitmap's colour table: no pixel index has more than 8 bits.
inline constexpr uint32_t kMaxColourTableEntries = 256;
// Entries scanned in one resource directory (PE), in all type blocks (NE), or in an
// .ico file's directory.
inline constexpr uint32_t kMaxDirectoryEntries = 4096;
// Type blocks walked in an NE resource table.
inline constexpr uint32_t kMaxNeTypeBlocks = 1024;
// Sections in a PE section table (the format itself allows no more).
inline constexpr uint32_t kMaxSections = 96;
// NE alignment shift: 2^24-byte units already reach past any real file's end.
inline constexpr uint32_t kMaxNeAlignShift = 24;

}  // namespace exeicon::limits
