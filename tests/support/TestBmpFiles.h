// Writing pictures as plain 24-bit BMP files, for tests that need a lossless picture file (a logo
// whose white frame must stay exactly white, which a JPEG file does not promise).
#pragma once

#include <string>

#include "imaging/Bitmap.h"

namespace stampwise::testing {

// Bottom-up rows, no compression, rows padded to four bytes. Throws when the file cannot be written.
void WriteTestBmp(const std::string& path, const TBitmap& picture);

}  // namespace stampwise::testing
