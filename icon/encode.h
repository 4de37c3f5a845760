#pragma once

#include <cstdint>
#include <vector>

#include "icon/icon.h"

namespace exeicon {

// Gives the one-image, 16-colour .ico bytes of an icon, building them on first use and
// keeping them with the icon. Throws Failure "Icon image is not valid" for a null icon
// and "Bitmap image is not valid" for a bitmap that can't be described; a failed
// encoding keeps nothing.
const std::vector<uint8_t>& ico_bytes(Icon* icon);

}  // namespace exeicon
