// The Exif orientation: what its eight values say, and turning stored pixels upright as it says.
//
// Cameras store a portrait photo as landscape pixels plus a tag (IFD0, 0x0112) that says how to turn
// it for viewing. The decoder reads the tag from the file's APP1 "Exif" segment (ExifReader.h) and
// turns every decoded picture with TurnUpright before anything else sees it, so sizes, sampling and
// placements all work on the picture the user sees. Results are upright, so they need no tag of
// their own: the only Exif they carry is the credit (ExifWriter.h).
#pragma once

#include <cstdint>

#include "imaging/Bitmap.h"

namespace stampwise {

// The tag's values. Transposed mirrors across the top-left to bottom-right diagonal, Transversed
// across the other one; the turns are the ones that make the stored picture upright.
enum class Orientation : std::uint8_t {
    AsStored = 1,
    MirroredLeftRight = 2,
    Turned180 = 3,
    MirroredTopBottom = 4,
    Transposed = 5,
    TurnedClockwise = 6,
    Transversed = 7,
    TurnedCounterClockwise = 8,
};

// The four from Transposed on swap the sides.
constexpr bool SwapsSides(Orientation orientation) { return orientation >= Orientation::Transposed; }

// As stored or mirrored: every upright row is a stored row, in the stored order, so the rows can be
// taken one after the other as they are decoded.
constexpr bool KeepsRowOrder(Orientation orientation) {
    return orientation == Orientation::AsStored || orientation == Orientation::MirroredLeftRight;
}

// Turns a stored picture upright. The first four work in place; the four that swap the sides need
// new storage of the turned size, which replaces the old. Transparency settings are kept.
void TurnUpright(TBitmap& picture, Orientation orientation);

// One row of width RGB pixels, reversed in place.
void MirrorRow(std::uint8_t* row, int width);

// For a caller that needs only some rows of the turned picture: row i of out becomes row
// uprightRows[i] of the upright picture of stored. out must already be the upright width by
// rowCount; every row index must be inside the upright height.
void CopyUprightRows(const TBitmap& stored, Orientation orientation, const int* uprightRows, int rowCount,
                     TBitmap& out);

}  // namespace stampwise
