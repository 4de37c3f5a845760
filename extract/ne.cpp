#include <algorithm>
#include <optional>

#include "extract/byte_view.h"
#include "extract/containers.h"
#include "extract/dos_header.h"
#include "extract/limits.h"

namespace exeicon {

namespace {

constexpr uint64_t kNeHeaderBytes = 0x28;
constexpr uint64_t kTypeHeaderBytes = 8;
constexpr uint64_t kNameInfoBytes = 12;
constexpr uint16_t kIconType = 0x8003;
constexpr uint16_t kGroupIconType = 0x800E;
constexpr uint16_t kIntegerId = 0x8000;

// One resource of the table; offset and length still in alignment units.
struct NameInfo {
  uint16_t rnOffset = 0;
  uint16_t rnLength = 0;
  uint16_t rnID = 0;
};

class NeReader {
 public:
  explicit NeReader(Source& source) : source_(source) {}

  Result<std::vector<uint8_t>> icon_image() {
    if (auto table = read_resource_table(); !table) return table.reject();
    if (!first_group_) return Reject{"no icon groups"};
    GroupEntry chosen;
    {
      // The group's bytes (up to the image limit) go before the image's are read.
      auto group_bytes = read_resource(*first_group_);
      if (!group_bytes) return group_bytes.reject();
      auto group = parse_icon_group(ByteView(*group_bytes));
      if (!group) return group.reject();
      chosen = (*group)[choose_group_entry(*group)];
    }

    const uint16_t wanted = chosen.nId | kIntegerId;
    auto icon = std::find_if(icons_.begin(), icons_.end(),
                             [wanted](const NameInfo& info) { return info.rnID == wanted; });
    if (icon == icons_.end()) return Reject{"icon named by the group is missing"};
    return read_resource(*icon);
  }

 private:
  Result<bool> read_resource_table() {
    auto dos = read_e_lfanew(source_);
    if (!dos) return dos.reject();
    const uint64_t e_lfanew = *dos;

    auto header = source_.fetch(e_lfanew, kNeHeaderBytes);
    if (!header) return Reject{"NE header past the end"};
    const ByteView ne(*header);
    if (ne.read_u16(0) != kNeSignature) return Reject{"no NE signature"};
    const uint16_t ne_rsrctab = *ne.read_u16(0x24);
    const uint16_t ne_restab = *ne.read_u16(0x26);
    // A program without resources has its resource table end where the next table starts.
    if (ne_rsrctab == ne_restab) return Reject{"no resources"};

    uint64_t at = e_lfanew + ne_rsrctab;
    auto shift_bytes = source_.fetch(at, 2);
    if (!shift_bytes) return Reject{"resource table past the end"};
    shift_ = *ByteView(*shift_bytes).read_u16(0);
    if (shift_ > limits::kMaxNeAlignShift) return Reject{"resource alignment shift too large"};
    at += 2;

    uint32_t blocks = 0;
    uint32_t entries = 0;
    for (;;) {
      auto type_id_bytes = source_.fetch(at, 2);
      if (!type_id_bytes) return Reject{"resource table past the end"};
      const uint16_t rtTypeID = *ByteView(*type_id_bytes).read_u16(0);
      if (rtTypeID == 0) return true;
      if (++blocks > limits::kMaxNeTypeBlocks) return Reject{"too many resource types"};
      auto type_header = source_.fetch(at, kTypeHeaderBytes);
      if (!type_header) return Reject{"resource type past the end"};
      const uint16_t rtResourceCount = *ByteView(*type_header).read_u16(2);
      entries += rtResourceCount;
      if (entries > limits::kMaxDirectoryEntries) return Reject{"too many resources"};
      at += kTypeHeaderBytes;
      auto infos = source_.fetch(at, rtResourceCount * kNameInfoBytes);
      if (!infos) return Reject{"resource entries past the end"};
      at += rtResourceCount * kNameInfoBytes;
      const ByteView infos_view(*infos);
      for (uint64_t i = 0; i < rtResourceCount; ++i) {
        NameInfo info;
        info.rnOffset = *infos_view.read_u16(i * kNameInfoBytes);
        info.rnLength = *infos_view.read_u16(i * kNameInfoBytes + 2);
        info.rnID = *infos_view.read_u16(i * kNameInfoBytes + 6);
        if (rtTypeID == kGroupIconType && !first_group_) first_group_ = info;
        if (rtTypeID == kIconType) icons_.push_back(info);
      }
    }
  }

  // A resource's bytes; its length, rounded up to the alignment unit, is cut at the end
  // of the file.
  Result<std::vector<uint8_t>> read_resource(const NameInfo& info) {
    const uint64_t offset = uint64_t{info.rnOffset} << shift_;
    const uint64_t length = uint64_t{info.rnLength} << shift_;
    if (offset >= source_.size()) return Reject{"resource past the end"};
    const uint64_t kept = std::min(length, source_.size() - offset);
    if (kept == 0) return Reject{"resource is empty"};
    if (kept > limits::kMaxImageBytes) return Reject{"resource too large"};
    auto bytes = source_.fetch(offset, kept);
    if (!bytes) return Reject{"resource unreadable"};
    return std::move(*bytes);
  }

  Source& source_;
  uint32_t shift_ = 0;
  std::optional<NameInfo> first_group_;
  std::vector<NameInfo> icons_;
};

}  // namespace

Result<std::vector<uint8_t>> ne_icon_image(Source& source) { return NeReader(source).icon_image(); }

}  // namespace exeicon
