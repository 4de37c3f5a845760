// The encoder on what extraction returns, and on the same icon a second time.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "extract/extract.h"
#include "icon/encode.h"
#include "icon/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto extraction = exeicon::extract_icon_bytes({data, size});
  try {
    const std::vector<uint8_t> first = exeicon::ico_bytes(extraction.icon.get());
    if (exeicon::ico_bytes(extraction.icon.get()) != first) std::abort();
  } catch (const exeicon::Failure& failure) {
    // Only a missing icon or a monochrome one may fail, and nothing is kept then.
    if (extraction.icon && !extraction.icon->is_monochrome()) std::abort();
    if (extraction.icon && extraction.icon->encoded() != nullptr) std::abort();
  }
  return 0;
}
