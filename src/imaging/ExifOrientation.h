// What the system reads of a JPEG file's Exif block: the orientation, and turning the stored pixels
// upright; and the photographer's credit, which results carry on.
//
// Cameras store a portrait photo as landscape pixels plus a tag (IFD0, 0x0112) that says how to turn
// it for viewing. The decoder reads the tag from the file's APP1 "Exif" segment and turns every
// decoded picture with TurnUpright before anything else sees it, so sizes, sampling and placements
// all work on the picture the user sees. Results are upright, so they need no tag of their own: the
// only Exif they carry is the credit (ExifCredit.h writes it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/Bitmap.h"

namespace stampwise {

// 1 as stored, 2 mirrored left–right, 3 turned 180°, 4 mirrored top–bottom, 5 transposed (mirrored
// across the top-left to bottom-right diagonal), 6 turned 90° clockwise, 7 transversed (mirrored
// across the other diagonal), 8 turned 90° counter-clockwise.
inline constexpr int kOrientationAsStored = 1;

// The orientation in an APP1 segment's payload (the bytes after the marker's length field, starting
// with "Exif\0\0"), in either byte order. Every offset and count is checked against size; anything
// unreadable (not Exif, cut short, no tag, a tag of the wrong type or count, a value outside 1..8)
// gives kOrientationAsStored, so a broken tag never fails a file.
int ReadExifOrientation(const std::uint8_t* segment, std::size_t size) noexcept;

// The IFD0 tags Artist (0x013B) and Copyright (0x8298): the bytes as found (ASCII, or UTF-8 where a
// writer put it there, passed on as they are), without the terminating NUL; a copyright of
// photographer and editor keeps the NUL between them. Empty when absent.
struct ExifCredit {
    std::string Artist;
    std::string Copyright;
    bool Empty() const { return Artist.empty() && Copyright.empty(); }
    friend bool operator==(const ExifCredit&, const ExifCredit&) = default;
};

// The credit in an APP1 payload, read as carefully as the orientation: a tag that cannot be read
// whole (cut short, its value past the end, a type other than ASCII or UTF-8) is left out, and
// nothing else of the block is looked at.
ExifCredit ReadExifCredit(const std::uint8_t* segment, std::size_t size) noexcept;

// Orientations 5 to 8 swap the sides.
constexpr bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Orientations 1 and 2: every upright row is a stored row, in the stored order (mirrored for 2),
// so the rows can be taken one after the other as they are decoded.
constexpr bool KeepsRowOrder(int orientation) { return orientation == 1 || orientation == 2; }

// Turns a stored picture upright. 2 to 4 work in place; 5 to 8 need new storage of the turned
// size, which replaces the old. Transparency settings are kept; any other orientation does nothing.
void TurnUpright(TBitmap& picture, int orientation);

// For a caller that needs only some rows of the turned picture: row i of out becomes row
// uprightRows[i] of the upright picture of stored. out must already be the upright width by
// rowCount; every row index must be inside the upright height.
void CopyUprightRows(const TBitmap& stored, int orientation, const int* uprightRows, int rowCount,
                     TBitmap& out);

}  // namespace stampwise
