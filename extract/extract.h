#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "extract/source.h"
#include "icon/icon.h"

namespace exeicon {

// Icon number 0 of a file at 32 x 32, or null with the reason there is none.
struct Extraction {
  std::unique_ptr<Icon> icon;
  std::string why;
};

// The large-icon size every extraction produces.
inline constexpr int32_t kLargeIconSize = 32;

// Takes icon number 0 out of the named file (bytes as the file dialogs give them).
// Never writes or changes anything.
Extraction extract_icon_file(const std::string& path);
// The same road for bytes already in memory.
Extraction extract_icon_bytes(std::span<const uint8_t> bytes);
Extraction extract_icon(Source& source);

}  // namespace exeicon
