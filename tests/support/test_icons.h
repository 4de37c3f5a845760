#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "icon/icon.h"

namespace exeicon::testing {

// A colour icon whose pixel (x, y) is colour(x, y) and whose mask bit is mask(x, y).
inline Icon make_icon(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& colour,
                      const std::function<uint32_t(int32_t, int32_t)>& mask, bool has_alpha = false) {
  Bitmap c = Bitmap::colour(width, height);
  Bitmap m = Bitmap::mono(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      c.at(x, y) = colour(x, y);
      m.at(x, y) = mask(x, y) ? 1 : 0;
    }
  return Icon(std::move(c), std::move(m), has_alpha);
}

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t u32_at(const std::vector<uint8_t>& b, size_t offset) {
  return static_cast<uint32_t>(b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16) |
         static_cast<uint32_t>(b[offset + 3]) << 24;
}

}  // namespace exeicon::testing
