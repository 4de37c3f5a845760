#include <algorithm>

#include "extract/byte_view.h"
#include "extract/containers.h"
#include "extract/dos_header.h"

namespace exeicon {

namespace {

// The first bytes of the file, or fewer when the file is shorter.
std::vector<uint8_t> fetch_up_to(Source& source, uint64_t offset, uint64_t length) {
  if (offset > source.size()) return {};
  auto bytes = source.fetch(offset, std::min(length, source.size() - offset));
  return bytes ? std::move(*bytes) : std::vector<uint8_t>{};
}

FileKind sniff_program(Source& source) {
  // Only the four bytes of e_lfanew: sniffing reads as little as it can.
  auto lfanew_bytes = fetch_up_to(source, 0x3C, 4);
  auto e_lfanew = ByteView(lfanew_bytes).read_u32(0);
  if (!e_lfanew || *e_lfanew >= source.size()) return FileKind::unknown;
  auto signature = fetch_up_to(source, *e_lfanew, 4);
  const ByteView sig(signature);
  if (sig.size() == 4 && sig.read_u32(0) == kPeSignature) return FileKind::pe;
  if (sig.size() >= 2 && sig.read_u16(0) == kNeSignature) return FileKind::ne;
  return FileKind::unknown;
}

}  // namespace

Result<uint64_t> read_e_lfanew(Source& source) {
  auto dos = source.fetch(0, 0x40);
  if (!dos) return Reject{"DOS header truncated"};
  const ByteView dos_view(*dos);
  if (dos_view.read_u16(0) != kMzSignature) return Reject{"no MZ signature"};
  return uint64_t{*dos_view.read_u32(0x3C)};
}

FileKind sniff_file(Source& source) {
  auto head_bytes = fetch_up_to(source, 0, 6);
  const ByteView head(head_bytes);
  if (head.read_u16(0) == kMzSignature) return sniff_program(source);
  auto reserved = head.read_u16(0);
  auto type = head.read_u16(2);
  auto count = head.read_u16(4);
  if (reserved == 0 && type == 1 && count && *count > 0) return FileKind::ico;
  return FileKind::unknown;
}

}  // namespace exeicon
