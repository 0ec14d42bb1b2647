// Colour profiles made with Little CMS for tests, and JPEG files that carry them: RGB files tagged
// by inserting APP2 chunks (well-formed or not), and CMYK and YCCK files written by libjpeg.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise::testing {

using Bytes = std::vector<std::uint8_t>;

// The profile's bytes as lcms writes them; the profile is closed.
Bytes SavedProfile(cmsHPROFILE profile);

// Display P3 from its published primaries and D65 white, with the sRGB tone curve. sRGB
// (200, 100, 50) is (187, 105, 61) in it.
Bytes DisplayP3Profile();
// Adobe RGB (1998) from its published primaries and gamma 563/256, and a ProPhoto-like profile
// (its primaries, D50 white, gamma 1.8): the other wide gamuts cameras write.
Bytes AdobeRgbProfile();
Bytes ProPhotoProfile();
// lcms's own sRGB profile (v4).
Bytes SrgbProfile();
// sRGB built again from its primaries and curve and written as a v2 profile, as other software
// writes its own sRGB: other bytes, other name, the same colours.
Bytes SrgbProfileFromPrimaries();

// A CMYK profile whose inks are not the textbook ones: each ink present multiplies the colour by
// its own (cyan kTintCyan and so on, black gives black), so a file read through it comes out
// differently from the plain formula. Exact at pure inks and their combinations.
inline constexpr ColorValue kTintCyan = RGBColor(0, 160, 220);
inline constexpr ColorValue kTintMagenta = RGBColor(220, 0, 120);
inline constexpr ColorValue kTintYellow = RGBColor(250, 220, 0);
Bytes TintedCmykProfile();

// The ICC.1 APP2 payloads ("ICC_PROFILE\0", sequence number, count, data) of profile, cut into
// pieces of at most chunkBytes; a test may spoil them before inserting them.
std::vector<Bytes> IccChunkPayloads(const Bytes& profile, std::size_t chunkBytes);
// The file with an APP2 segment for each payload inserted right after its start-of-image marker.
Bytes WithApp2(const Bytes& jpeg, const std::vector<Bytes>& payloads);
// The file tagged with profile in well-formed chunks.
Bytes WithIccProfile(const Bytes& jpeg, const Bytes& profile);

// A four-component JPEG file of quality 95 written by libjpeg: inks holds width × height pixels of
// C, M, Y, K, 0 for no ink. isYcck stores them as YCCK (which libjpeg marks with Adobe's APP14 and
// which is then read as inverted); isInverted stores 255 - ink with Adobe's marker, as Adobe's
// software does, otherwise the inks as they are without it. A non-empty icc is embedded.
Bytes EncodeInkJpeg(int width, int height, const Bytes& inks, bool isYcck, bool isInverted,
                    const Bytes& icc);

// A flat-colour test picture: one square block of blockPx per colour, side by side.
TBitmap ColourBlocks(const std::vector<ColorValue>& colours, int blockPx);

}  // namespace stampwise::testing
