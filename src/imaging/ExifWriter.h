// Writing the one Exif block a result carries: the source's credit (ExifCredit, as
// EmbeddedCredit.h gathers it) and its capture date (CaptureDate), and nothing else. Location,
// camera serials, maker notes, thumbnails and the orientation tag (results are upright) stay
// behind, since results are made for publishing.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/ExifReader.h"

namespace stampwise {

// What of the source's metadata a result keeps: the credit and the capture date (the default, and
// the windows'), either alone, or nothing at all (the batch command's --metadata).
struct ResultMetadata {
    bool Credit = true;
    bool Date = true;
    static constexpr ResultMetadata Nothing() { return ResultMetadata{false, false}; }
    friend bool operator==(const ResultMetadata&, const ResultMetadata&) = default;
};

// An APP1 payload ("Exif\0\0", a little-endian TIFF header, IFD0 with Artist and/or Copyright as
// ASCII, no next directory) for what of the credit and the date kept asks for; empty when there is
// nothing to write, so that no block at all is written. The date goes into an Exif IFD of its own
// (ExifVersion, DateTimeOriginal, and OffsetTimeOriginal and SubSecTimeOriginal when the source
// has them) that IFD0 points to. A credit too long for one segment is left out whole rather than
// cut. A block of the credit alone is the same bytes whatever the date setting.
std::vector<std::uint8_t> WriteResultExif(const ExifCredit& credit, const CaptureDate& date,
                                          ResultMetadata kept = {});

}  // namespace stampwise
