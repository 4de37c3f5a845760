#pragma once

// Describes an icon image briefly so a failure shows what came out.

#include <string>

#include "extract/byte_view.h"
#include "extract/containers.h"

namespace exeicon::test {

inline std::string golden_path(const std::string& name) {
  return std::string(EXEICON_TEST_DATA) + "/golden/" + name;
}

// "bmp 32x64 32-bit", "png", or "reject" (the BMP height counts colour and mask rows).
inline std::string describe_image(const Result<std::vector<uint8_t>>& image) {
  if (!image) return "reject";
  const ByteView view(*image);
  if (view.read_u32(0) == 0x474E5089u) return "png";  // "\x89PNG"
  if (view.read_u32(0) == 40u) {
    return "bmp " + std::to_string(*view.read_i32(4)) + "x" + std::to_string(*view.read_i32(8)) + " " +
           std::to_string(*view.read_u16(14)) + "-bit";
  }
  return "other " + std::to_string(image->size()) + " bytes";
}

}  // namespace exeicon::test
