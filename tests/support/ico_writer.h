#pragma once

// Builds .ico files in memory: the directory, then each image in order.

#include <utility>
#include <vector>

#include "support/bytes.h"

namespace exeicon::test {

struct IcoImage {
  GroupEntry entry;  // dwBytesInRes is set from the data; nId is not stored
  Bytes data;
};

// File offset of directory entry i.
inline size_t ico_entry_at(size_t i) { return 6 + 16 * i; }

inline Bytes write_ico(const std::vector<IcoImage>& images) {
  Bytes b;
  put_u16(b, 0, 0);
  put_u16(b, 2, 1);
  put_u16(b, 4, static_cast<uint16_t>(images.size()));
  size_t at = ico_entry_at(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const size_t e = ico_entry_at(i);
    const GroupEntry& g = images[i].entry;
    put_u8(b, e, g.bWidth);
    put_u8(b, e + 1, g.bHeight);
    put_u8(b, e + 2, g.bColorCount);
    put_u8(b, e + 3, g.bReserved);
    put_u16(b, e + 4, g.wPlanes);
    put_u16(b, e + 6, g.wBitCount);
    put_u32(b, e + 8, static_cast<uint32_t>(images[i].data.size()));
    put_u32(b, e + 12, static_cast<uint32_t>(at));
    at += images[i].data.size();
  }
  for (const IcoImage& image : images) append(b, image.data);
  return b;
}

// The usual shape: a 16 x 16 image, then the 32 x 32 32-bit one a request takes.
inline std::vector<IcoImage> typical_ico_images() {
  return {{entry(16, 16, 4), tag("image-0")}, {entry(32, 32, 32), tag("image-1")}};
}

}  // namespace exeicon::test
