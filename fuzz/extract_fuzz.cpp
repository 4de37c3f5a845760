// Icon number 0 out of arbitrary bytes: PE, NE, .ico, BMP and PNG decoding.
#include <cstdint>
#include <cstdlib>

#include "extract/extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto extraction = exeicon::extract_icon_bytes({data, size});
  if (extraction.icon) {
    // Whatever comes out is an icon of the large-icon size with whole bitmaps.
    const auto& icon = *extraction.icon;
    if (icon.width() != exeicon::kLargeIconSize || icon.height() != exeicon::kLargeIconSize) std::abort();
    if (icon.mask().pixels.size() != static_cast<size_t>(icon.is_monochrome() ? 2 * 32 * 32 : 32 * 32)) std::abort();
  } else if (extraction.why.empty()) {
    std::abort();  // no icon always says why
  }
  return 0;
}
