#pragma once

#include <cstdint>
#include <span>

#include "icon/icon.h"

namespace exeicon {

// Draws an icon at its own size with its top-left corner at (0, 0) onto 0xFFRRGGBB
// pixels of a width x height surface (top row first); nothing outside the icon changes.
void draw_icon(const Icon& icon, std::span<uint32_t> surface, int32_t width, int32_t height);

}  // namespace exeicon
