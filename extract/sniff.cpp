#include <algorithm>

#include "extract/byte_view.h"
#include "extract/containers.h"

namespace exeicon {

namespace {

constexpr uint16_t kMz = 0x5A4D;               // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kNe = 0x454E;               // "NE"

// The first bytes of the file, or fewer when the file is shorter.
std::vector<uint8_t> fetch_up_to(Source& source, uint64_t offset, uint64_t length) {
  if (offset > source.size()) return {};
  auto bytes = source.fetch(offset, std::min(length, source.size() - offset));
  return bytes ? std::move(*bytes) : std::vector<uint8_t>{};
}

FileKind sniff_program(Source& source) {
  auto lfanew_bytes = fetch_up_to(source, 0x3C, 4);
  auto e_lfanew = ByteView(lfanew_bytes).read_u32(0);
  if (!e_lfanew || *e_lfanew >= source.size()) return FileKind::unknown;
  auto signature = fetch_up_to(source, *e_lfanew, 4);
  const ByteView sig(signature);
  if (sig.size() == 4 && sig.read_u32(0) == kPeSignature) return FileKind::pe;
  if (sig.size() >= 2 && sig.read_u16(0) == kNe) return FileKind::ne;
  return FileKind::unknown;
}

}  // namespace

FileKind sniff_file(Source& source) {
  auto head_bytes = fetch_up_to(source, 0, 6);
  const ByteView head(head_bytes);
  if (head.read_u16(0) == kMz) return sniff_program(source);  // "MZ"
  auto reserved = head.read_u16(0);
  auto type = head.read_u16(2);
  auto count = head.read_u16(4);
  if (reserved == 0 && type == 1 && count && *count > 0) return FileKind::ico;
  return FileKind::unknown;
}

}  // namespace exeicon
