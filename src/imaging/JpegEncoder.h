// Writing a TBitmap as JPEG bytes with libjpeg. Every libjpeg compression call of the system is in
// JpegEncoder.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise {

// The complete bytes of a baseline JFIF file of quality 90, byte for byte what
// `cjpeg -quality 90 -baseline -dct float` writes from the same pixels. The bitmap must not be
// empty. Throws EJPEG for a library error and EOutOfResources when memory runs out.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap& bitmap);

}  // namespace stampwise
