#pragma once

// Builds small PE32 / PE32+ programs in memory around a resource tree, and says where
// each header and directory landed so a test can break one field in one line.

#include <map>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace exeicon::test {

// A resource type or name: an integer ID, or a name when `name` is not empty.
struct ResourceId {
  uint32_t id = 0;
  std::string name;
  std::string label() const { return name.empty() ? std::to_string(id) : name; }
};
inline ResourceId id_of(uint32_t id) { return {id, {}}; }
inline ResourceId name_of(std::string name) { return {0, std::move(name)}; }

struct PeResource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0x409;
  Bytes data;
};

struct PeFile {
  Bytes bytes;
  size_t e_lfanew = 0x40;
  size_t optional_header = 0;
  size_t section_table = 0;  // the second section is .rsrc
  size_t rsrc_raw = 0;       // file offset of the resource section
  uint32_t rsrc_rva = 0;
  // Offsets inside the resource section: "" is the root, "14" the group type's name
  // directory, "14/1" a language directory, "14/1/1033" a data entry.
  std::map<std::string, uint32_t> rel;

  size_t at(const std::string& path) const { return rsrc_raw + rel.at(path); }
  // File offset of entry i of a directory.
  size_t entry(const std::string& path, size_t i) const { return at(path) + 16 + 8 * i; }
  void put16(size_t offset, uint16_t value) { put_u16(bytes, offset, value); }
  void put32(size_t offset, uint32_t value) { put_u32(bytes, offset, value); }
};

namespace pe_detail {

struct Node {
  ResourceId id;
  uint16_t language = 0;
  const Bytes* data = nullptr;
  std::vector<Node> children;
};

inline Node& child(Node& parent, const ResourceId& id) {
  for (Node& node : parent.children) {
    if (node.id.name == id.name && node.id.id == id.id) return node;
  }
  parent.children.push_back(Node{id, 0, nullptr, {}});
  return parent.children.back();
}

// Named entries stand before integer ones, as the format lays them out; otherwise the
// given order is kept so tests can store directories unsorted.
inline std::vector<const Node*> stored_order(const Node& node) {
  std::vector<const Node*> out;
  for (const Node& c : node.children) {
    if (!c.id.name.empty()) out.push_back(&c);
  }
  for (const Node& c : node.children) {
    if (c.id.name.empty()) out.push_back(&c);
  }
  return out;
}

}  // namespace pe_detail

inline PeFile write_pe(const std::vector<PeResource>& resources, bool pe32_plus = true) {
  using pe_detail::Node;
  Node root;
  for (const PeResource& r : resources) {
    Node& name = pe_detail::child(pe_detail::child(root, r.type), r.name);
    name.children.push_back(Node{id_of(r.language), r.language, &r.data, {}});
  }

  PeFile file;
  file.rsrc_rva = 0x2000;

  // Directories first (breadth first), then data entries, then names, then the data.
  struct Dir {
    const Node* node;
    std::string path;
  };
  std::vector<Dir> dirs{{&root, ""}};
  for (size_t i = 0; i < dirs.size(); ++i) {
    if (dirs[i].node->data) continue;
    for (const Node* c : pe_detail::stored_order(*dirs[i].node)) {
      dirs.push_back({c, dirs[i].path.empty() ? c->id.label() : dirs[i].path + "/" + c->id.label()});
    }
  }
  uint32_t cursor = 0;
  for (const Dir& d : dirs) {
    if (d.node->data) continue;
    file.rel[d.path] = cursor;
    cursor += static_cast<uint32_t>(16 + 8 * d.node->children.size());
  }
  for (const Dir& d : dirs) {
    if (!d.node->data) continue;
    file.rel[d.path] = cursor;
    cursor += 16;
  }
  std::map<std::string, uint32_t> name_at;
  for (const Dir& d : dirs) {
    if (d.node->id.name.empty() || name_at.count(d.node->id.name)) continue;
    name_at[d.node->id.name] = cursor;
    cursor += static_cast<uint32_t>(2 + 2 * d.node->id.name.size());
  }
  std::map<std::string, uint32_t> data_at;
  for (const Dir& d : dirs) {
    if (!d.node->data) continue;
    cursor = static_cast<uint32_t>(align_up(cursor, 8));
    data_at[d.path] = cursor;
    cursor += static_cast<uint32_t>(d.node->data->size());
  }
  const uint32_t rsrc_size = cursor;

  Bytes section;
  for (const Dir& d : dirs) {
    const uint32_t at = file.rel[d.path];
    if (d.node->data) {
      put_u32(section, at, file.rsrc_rva + data_at[d.path]);
      put_u32(section, at + 4, static_cast<uint32_t>(d.node->data->size()));
      continue;
    }
    const auto order = pe_detail::stored_order(*d.node);
    uint16_t named = 0;
    for (const Node* c : order) named = static_cast<uint16_t>(named + (c->id.name.empty() ? 0 : 1));
    put_u16(section, at + 12, named);
    put_u16(section, at + 14, static_cast<uint16_t>(order.size() - named));
    for (size_t i = 0; i < order.size(); ++i) {
      const Node* c = order[i];
      const std::string path = d.path.empty() ? c->id.label() : d.path + "/" + c->id.label();
      const size_t e = at + 16 + 8 * i;
      put_u32(section, e, c->id.name.empty() ? c->id.id : (0x80000000u | name_at[c->id.name]));
      put_u32(section, e + 4, c->data ? file.rel[path] : (0x80000000u | file.rel[path]));
    }
  }
  for (const auto& [name, at] : name_at) {
    put_u16(section, at, static_cast<uint16_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) put_u16(section, at + 2 + 2 * i, static_cast<uint8_t>(name[i]));
  }
  for (const Dir& d : dirs) {
    if (!d.node->data) continue;
    const Bytes& data = *d.node->data;
    section.resize(std::max<size_t>(section.size(), data_at[d.path] + data.size()));
    std::copy(data.begin(), data.end(), section.begin() + data_at[d.path]);
  }
  section.resize(rsrc_size);

  Bytes& b = file.bytes;
  put_u16(b, 0, 0x5A4D);
  put_u32(b, 0x3C, static_cast<uint32_t>(file.e_lfanew));
  put_u32(b, file.e_lfanew, 0x00004550);
  const uint16_t optional_size = pe32_plus ? 240 : 224;
  put_u16(b, file.e_lfanew + 4, pe32_plus ? 0x8664 : 0x14C);
  put_u16(b, file.e_lfanew + 6, 2);
  put_u16(b, file.e_lfanew + 20, optional_size);
  file.optional_header = file.e_lfanew + 24;
  put_u16(b, file.optional_header, pe32_plus ? 0x20B : 0x10B);
  const size_t directories = file.optional_header + (pe32_plus ? 112 : 96);
  put_u32(b, directories - 4, 16);
  put_u32(b, directories + 16, file.rsrc_rva);
  put_u32(b, directories + 20, rsrc_size);
  file.section_table = file.optional_header + optional_size;

  // A .text section first, so the resource RVA is found by searching the table.
  const uint32_t text_raw = 0x200;
  const uint32_t text_size = 0x200;
  file.rsrc_raw = text_raw + text_size;
  const uint32_t rsrc_raw_size = static_cast<uint32_t>(align_up(rsrc_size, 0x200));
  struct SectionRow {
    const char* name;
    uint32_t virtual_size, rva, raw_size, raw;
  };
  const SectionRow rows[] = {
      {".text", text_size, 0x1000, text_size, text_raw},
      {".rsrc", rsrc_size, file.rsrc_rva, rsrc_raw_size, static_cast<uint32_t>(file.rsrc_raw)},
  };
  for (size_t i = 0; i < 2; ++i) {
    const size_t s = file.section_table + 40 * i;
    for (size_t c = 0; rows[i].name[c]; ++c) put_u8(b, s + c, static_cast<uint8_t>(rows[i].name[c]));
    put_u32(b, s + 8, rows[i].virtual_size);
    put_u32(b, s + 12, rows[i].rva);
    put_u32(b, s + 16, rows[i].raw_size);
    put_u32(b, s + 20, rows[i].raw);
  }
  b.resize(file.rsrc_raw);
  append(b, section);
  b.resize(file.rsrc_raw + rsrc_raw_size);
  return file;
}

// The usual shape: one group naming icons 1 (16 x 16) and 2 (32 x 32 at 32 bits).
inline std::vector<PeResource> typical_pe_resources() {
  return {
      {id_of(3), id_of(1), 0x409, tag("image-1")},
      {id_of(3), id_of(2), 0x409, tag("image-2")},
      {id_of(14), id_of(1), 0x409, group_bytes({entry(16, 16, 4, 1), entry(32, 32, 32, 2)})},
  };
}

}  // namespace exeicon::test
