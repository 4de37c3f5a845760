#pragma once

// Little-endian byte building for the test-only file writers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extract/containers.h"

namespace exeicon::test {

using Bytes = std::vector<uint8_t>;

inline void put_u8(Bytes& bytes, size_t at, uint8_t value) {
  if (bytes.size() < at + 1) bytes.resize(at + 1);
  bytes[at] = value;
}
inline void put_u16(Bytes& bytes, size_t at, uint16_t value) {
  put_u8(bytes, at, static_cast<uint8_t>(value));
  put_u8(bytes, at + 1, static_cast<uint8_t>(value >> 8));
}
inline void put_u32(Bytes& bytes, size_t at, uint32_t value) {
  put_u16(bytes, at, static_cast<uint16_t>(value));
  put_u16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}
inline void append(Bytes& bytes, const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
inline size_t align_up(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }

// Stand-in image bytes that name themselves, so a test can tell which image came back.
inline Bytes tag(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline std::string untag(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A group entry for a width x height image at `bits` per pixel naming icon `id`.
inline GroupEntry entry(uint8_t width, uint8_t height, uint16_t bits, uint16_t id = 0,
                        uint8_t colours = 0) {
  GroupEntry e;
  e.bWidth = width;
  e.bHeight = height;
  e.bColorCount = colours;
  e.wPlanes = 1;
  e.wBitCount = bits;
  e.nId = id;
  return e;
}

// A group resource: the 6-byte header and one 14-byte entry each.
inline Bytes group_bytes(const std::vector<GroupEntry>& entries) {
  Bytes out;
  put_u16(out, 0, 0);
  put_u16(out, 2, 1);
  put_u16(out, 4, static_cast<uint16_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 6 + 14 * i;
    const GroupEntry& e = entries[i];
    put_u8(out, at, e.bWidth);
    put_u8(out, at + 1, e.bHeight);
    put_u8(out, at + 2, e.bColorCount);
    put_u8(out, at + 3, e.bReserved);
    put_u16(out, at + 4, e.wPlanes);
    put_u16(out, at + 6, e.wBitCount);
    put_u32(out, at + 8, e.dwBytesInRes);
    put_u16(out, at + 12, e.nId);
  }
  return out;
}

}  // namespace exeicon::test
