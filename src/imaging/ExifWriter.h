// Writing the one Exif block a result carries: the source's credit (ExifCredit, as ExifReader.h
// reads it) and nothing else. Location, camera serials, maker notes, thumbnails and
// the orientation tag (results are upright) stay behind, since results are made for publishing.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/ExifReader.h"

namespace stampwise {

// What of the source's metadata a result keeps: the credit (the default, and the windows'), or
// nothing at all (the batch command's --metadata none).
enum class ResultMetadata { Credit, None };

// An APP1 payload ("Exif\0\0", a little-endian TIFF header, IFD0 with Artist and/or Copyright as
// ASCII, no next directory) for the credit; empty when the credit is empty or kept is None, so
// that no block at all is written. A credit too long for one segment is left out whole rather
// than cut.
std::vector<std::uint8_t> WriteExifCredit(const ExifCredit& credit, ResultMetadata kept = ResultMetadata::Credit);

}  // namespace stampwise
