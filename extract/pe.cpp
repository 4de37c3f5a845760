#include <algorithm>
#include <optional>

#include "extract/byte_view.h"
#include "extract/containers.h"
#include "extract/dos_header.h"
#include "extract/limits.h"

namespace exeicon {

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint64_t kCoffHeaderBytes = 20;
constexpr uint64_t kSectionBytes = 40;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint64_t kDirectoryHeaderBytes = 16;
constexpr uint64_t kDirectoryEntryBytes = 8;
constexpr uint64_t kDataEntryBytes = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kIconType = 3;
constexpr uint32_t kGroupIconType = 14;

struct Section {
  uint32_t VirtualSize = 0;
  uint32_t VirtualAddress = 0;
  uint32_t SizeOfRawData = 0;
  uint32_t PointerToRawData = 0;
};

// One entry of a resource directory: a name or integer ID, and a subdirectory or data.
struct DirectoryEntry {
  uint32_t Name = 0;
  uint32_t OffsetToData = 0;
  bool is_named() const { return (Name & kHighBit) != 0; }
  bool is_directory() const { return (OffsetToData & kHighBit) != 0; }
  uint32_t target() const { return OffsetToData & ~kHighBit; }
};

class PeReader {
 public:
  explicit PeReader(Source& source) : source_(source) {}

  Result<std::vector<uint8_t>> icon_image() {
    if (auto headers = read_headers(); !headers) return headers.reject();

    auto root = read_directory(0);
    if (!root) return root.reject();
    auto group_type = find_integer_entry(*root, kGroupIconType);
    if (!group_type) return Reject{"no icon groups"};
    auto icon_type = find_integer_entry(*root, kIconType);
    if (!icon_type) return Reject{"no icons"};

    // Icon number 0 is the first group as stored: named groups stand first.
    auto group_names = read_subdirectory(*group_type);
    if (!group_names) return group_names.reject();
    if (group_names->empty()) return Reject{"icon group directory is empty"};
    GroupEntry chosen;
    {
      // The group's bytes (up to the image limit) go before the image's are read.
      auto group_bytes = first_language_data((*group_names)[0]);
      if (!group_bytes) return group_bytes.reject();
      auto group = parse_icon_group(ByteView(*group_bytes));
      if (!group) return group.reject();
      chosen = (*group)[choose_group_entry(*group)];
    }

    auto icon_names = read_subdirectory(*icon_type);
    if (!icon_names) return icon_names.reject();
    auto icon = find_integer_entry(*icon_names, chosen.nId);
    if (!icon) return Reject{"icon named by the group is missing"};
    auto image = first_language_data(*icon);
    if (!image) return image.reject();
    if (image->empty()) return Reject{"icon image is empty"};
    return image;
  }

 private:
  Result<bool> read_headers() {
    auto dos = read_e_lfanew(source_);
    if (!dos) return dos.reject();
    const uint64_t e_lfanew = *dos;

    auto coff = source_.fetch(e_lfanew, 4 + kCoffHeaderBytes);
    if (!coff) return Reject{"PE header past the end"};
    const ByteView coff_view(*coff);
    if (coff_view.read_u32(0) != kPeSignature) return Reject{"no PE signature"};
    const uint16_t NumberOfSections = *coff_view.read_u16(4 + 2);
    const uint16_t SizeOfOptionalHeader = *coff_view.read_u16(4 + 16);

    const uint64_t optional_at = e_lfanew + 4 + kCoffHeaderBytes;
    auto optional = source_.fetch(optional_at, SizeOfOptionalHeader);
    if (!optional) return Reject{"optional header past the end"};
    const ByteView opt(*optional);
    auto Magic = opt.read_u16(0);
    uint64_t count_at = 0;
    if (Magic == kPe32Magic) {
      count_at = 92;
    } else if (Magic == kPe32PlusMagic) {
      count_at = 108;
    } else {
      return Reject{"unknown optional header magic"};
    }
    // The data directories follow NumberOfRvaAndSizes directly.
    const uint64_t directories_at = count_at + 4;
    auto NumberOfRvaAndSizes = opt.read_u32(count_at);
    if (!NumberOfRvaAndSizes || *NumberOfRvaAndSizes <= kResourceDirectoryIndex) {
      return Reject{"no resource data directory"};
    }
    const uint64_t resource_at = directories_at + 8 * kResourceDirectoryIndex;
    // The tree is bounded by its section, not by the directory's Size field.
    if (!opt.has(resource_at, 8)) return Reject{"resource data directory past the optional header"};
    auto VirtualAddress = opt.read_u32(resource_at);
    if (*VirtualAddress == 0) return Reject{"no resources"};
    resource_rva_ = *VirtualAddress;

    if (NumberOfSections > limits::kMaxSections) return Reject{"too many sections"};
    auto table = source_.fetch(optional_at + SizeOfOptionalHeader, NumberOfSections * kSectionBytes);
    if (!table) return Reject{"section table past the end"};
    const ByteView table_view(*table);
    for (uint64_t i = 0; i < NumberOfSections; ++i) {
      const uint64_t at = i * kSectionBytes;
      Section section;
      section.VirtualSize = *table_view.read_u32(at + 8);
      section.VirtualAddress = *table_view.read_u32(at + 12);
      section.SizeOfRawData = *table_view.read_u32(at + 16);
      section.PointerToRawData = *table_view.read_u32(at + 20);
      sections_.push_back(section);
    }
    return true;
  }

  // The file bytes behind [rva, rva + length): all of them must be stored in one section.
  std::optional<std::vector<uint8_t>> read_rva(uint64_t rva, uint64_t length) {
    for (const Section& section : sections_) {
      const uint64_t extent = std::max(section.VirtualSize, section.SizeOfRawData);
      if (rva < section.VirtualAddress || rva - section.VirtualAddress >= extent) continue;
      const uint64_t into = rva - section.VirtualAddress;
      if (into > section.SizeOfRawData || length > section.SizeOfRawData - into) return std::nullopt;
      return source_.fetch(uint64_t{section.PointerToRawData} + into, length);
    }
    return std::nullopt;
  }

  Result<std::vector<DirectoryEntry>> read_directory(uint32_t offset) {
    // The walk is fixed at three levels, but a directory seen twice is a loop all the same.
    if (std::find(visited_.begin(), visited_.end(), offset) != visited_.end()) {
      return Reject{"resource tree loops"};
    }
    visited_.push_back(offset);
    const uint64_t at = uint64_t{resource_rva_} + offset;
    auto header = read_rva(at, kDirectoryHeaderBytes);
    if (!header) return Reject{"resource directory past the end"};
    const ByteView header_view(*header);
    const uint32_t count =
        uint32_t{*header_view.read_u16(12)} + uint32_t{*header_view.read_u16(14)};
    if (count > limits::kMaxDirectoryEntries) return Reject{"resource directory too large"};
    auto entries = read_rva(at + kDirectoryHeaderBytes, count * kDirectoryEntryBytes);
    if (!entries) return Reject{"resource directory entries past the end"};
    const ByteView entries_view(*entries);
    std::vector<DirectoryEntry> out;
    out.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
      DirectoryEntry entry;
      entry.Name = *entries_view.read_u32(i * kDirectoryEntryBytes);
      entry.OffsetToData = *entries_view.read_u32(i * kDirectoryEntryBytes + 4);
      out.push_back(entry);
    }
    return out;
  }

  Result<std::vector<DirectoryEntry>> read_subdirectory(const DirectoryEntry& entry) {
    if (!entry.is_directory()) return Reject{"resource data where a directory belongs"};
    return read_directory(entry.target());
  }

  // Scans every integer entry: the stored order is not trusted to be sorted.
  static std::optional<DirectoryEntry> find_integer_entry(const std::vector<DirectoryEntry>& entries,
                                                          uint32_t id) {
    for (const DirectoryEntry& entry : entries) {
      if (!entry.is_named() && entry.Name == id) return entry;
    }
    return std::nullopt;
  }

  // The data of a name entry's first language as stored.
  Result<std::vector<uint8_t>> first_language_data(const DirectoryEntry& name_entry) {
    auto languages = read_subdirectory(name_entry);
    if (!languages) return languages.reject();
    if (languages->empty()) return Reject{"resource has no language"};
    const DirectoryEntry& language = (*languages)[0];
    if (language.is_directory()) return Reject{"resource directory where data belongs"};
    auto data_entry = read_rva(uint64_t{resource_rva_} + language.target(), kDataEntryBytes);
    if (!data_entry) return Reject{"resource data entry past the end"};
    const ByteView data_view(*data_entry);
    const uint32_t OffsetToData = *data_view.read_u32(0);
    const uint32_t Size = *data_view.read_u32(4);
    if (Size > limits::kMaxImageBytes) return Reject{"resource data too large"};
    auto data = read_rva(OffsetToData, Size);
    if (!data) return Reject{"resource data past the end"};
    return std::move(*data);
  }

  Source& source_;
  std::vector<Section> sections_;
  uint32_t resource_rva_ = 0;
  std::vector<uint32_t> visited_;
};

}  // namespace

Result<std::vector<uint8_t>> pe_icon_image(Source& source) { return PeReader(source).icon_image(); }

}  // namespace exeicon
