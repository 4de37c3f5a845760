#pragma once

// Builds small 16-bit NE programs in memory around a resource table, and says where each
// part landed so a test can break one field in one line.

#include <vector>

#include "support/bytes.h"

namespace exeicon::test {

struct NeResource {
  uint16_t type = 0;  // 0x8003 icon, 0x800E group
  uint16_t id = 0;    // 0x8000 | n for integer IDs
  Bytes data;
};

struct NeFile {
  Bytes bytes;
  size_t ne_header = 0x40;
  size_t resource_table = 0;       // the alignment shift word
  std::vector<size_t> type_at;     // each type block, in file order
  std::vector<size_t> entry_at;    // each resource's 12-byte entry, in the order given
  void put16(size_t offset, uint16_t value) { put_u16(bytes, offset, value); }
};

// Consecutive resources of one type share a type block.
inline NeFile write_ne(const std::vector<NeResource>& resources, uint16_t shift = 4) {
  NeFile file;
  Bytes& b = file.bytes;
  put_u16(b, 0, 0x5A4D);
  put_u32(b, 0x3C, static_cast<uint32_t>(file.ne_header));
  put_u16(b, file.ne_header, 0x454E);
  const uint16_t table_rel = 0x40;
  file.resource_table = file.ne_header + table_rel;

  size_t at = file.resource_table + 2;
  std::vector<size_t> counts;
  for (size_t i = 0; i < resources.size(); ++i) {
    if (i == 0 || resources[i].type != resources[i - 1].type) {
      file.type_at.push_back(at);
      counts.push_back(0);
      put_u16(b, at, resources[i].type);
      at += 8;
    }
    ++counts.back();
    file.entry_at.push_back(at);
    at += 12;
  }
  for (size_t t = 0; t < counts.size(); ++t) put_u16(b, file.type_at[t] + 2, static_cast<uint16_t>(counts[t]));
  put_u16(b, at, 0);  // the type ID that ends the table
  at += 2;
  // An empty resident-name table right after, as the header says.
  put_u16(file.bytes, file.ne_header + 0x24, table_rel);
  put_u16(file.bytes, file.ne_header + 0x26, static_cast<uint16_t>(at - file.ne_header));
  put_u8(b, at, 0);
  at += 1;

  const size_t unit = size_t{1} << shift;
  put_u16(b, file.resource_table, shift);
  for (size_t i = 0; i < resources.size(); ++i) {
    at = align_up(at, unit);
    const size_t units = align_up(resources[i].data.size(), unit) / unit;
    put_u16(b, file.entry_at[i], static_cast<uint16_t>(at / unit));
    put_u16(b, file.entry_at[i] + 2, static_cast<uint16_t>(units));
    put_u16(b, file.entry_at[i] + 6, resources[i].id);
    b.resize(at);
    append(b, resources[i].data);
    at += units * unit;
    b.resize(at);
  }
  return file;
}

// The usual shape: one group naming icons 1 (16 x 16) and 2 (32 x 32 at 32 bits).
inline std::vector<NeResource> typical_ne_resources() {
  return {
      {0x8003, 0x8001, tag("image-1")},
      {0x8003, 0x8002, tag("image-2")},
      {0x800E, 0x8001, group_bytes({entry(16, 16, 4, 1), entry(32, 32, 32, 2)})},
  };
}

}  // namespace exeicon::test
