// The whole road from a file's bytes to .ico bytes: whatever comes out must be a
// well-formed one-image, 16-colour 32 x 32 file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "extract/extract.h"
#include "icon/encode.h"
#include "icon/failure.h"

namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return v;
}

void check_well_formed(const std::vector<uint8_t>& b) {
  static const uint8_t kHead[] = {0, 0, 1, 0, 1, 0, 32, 32, 4, 0, 0, 0, 0, 0, 0xE8, 2, 0, 0, 22, 0, 0, 0};
  if (b.size() != 766 || std::memcmp(b.data(), kHead, sizeof kHead) != 0) std::abort();
  if (u32(b, 22) != 40 || u32(b, 26) != 32 || u32(b, 30) != 64 || u32(b, 34) != 0x00040001 ||
      u32(b, 42) != 512 || u32(b, 54) != 16)
    std::abort();
  for (size_t i = 0; i < 16; ++i)
    if (b[62 + i * 4 + 3] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto extraction = exeicon::extract_icon_bytes({data, size});
  try {
    check_well_formed(exeicon::ico_bytes(extraction.icon.get()));
  } catch (const exeicon::Failure&) {
  }
  return 0;
}
