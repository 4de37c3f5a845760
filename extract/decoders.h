#pragma once

#include "extract/byte_view.h"
#include "extract/image.h"
#include "extract/result.h"

namespace exeicon {

// Decodes a BMP icon image: a 40- or 12-byte information header, the colour table or
// bit-field masks, the colour rows, then the mask rows.
Result<DecodedImage> decode_bmp(ByteView image);

// Decodes a PNG icon image to 8-bit RGBA; the mask comes from alpha where the PNG has
// transparency.
Result<DecodedImage> decode_png(ByteView image);

}  // namespace exeicon
