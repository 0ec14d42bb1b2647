// Reading JPEG data with libjpeg: the header alone, the whole picture into a TBitmap, only the
// rows a reduction samples, or every row in turn for work that never needs the whole picture.
// Every one of them gives the upright picture: a file's Exif orientation (ExifOrientation.h) is
// applied to its size and its pixels before a caller sees either. And every one gives sRGB: an RGB
// or grey file tagged with another profile is converted (unless the caller keeps the profile), a
// CMYK or YCCK file always (ColourProfile.h).
// Each decoder is one decompression session (JpegSession.h), which holds every libjpeg
// decompression call of the system. A caller that has read a file's header already passes it to
// the overloads that take one, and the header is not worked out a second time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/ColourProfile.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ExifReader.h"

namespace stampwise {

namespace jpeg_detail {
class DecompressSession;  // JpegSession.h
}

struct JpegHeader {
    // Upright: a stored 4000 × 3000 picture whose orientation swaps the sides is 3000 × 4000.
    int Width = 0;
    int Height = 0;
    stampwise::Orientation Orientation = stampwise::Orientation::AsStored;
    bool Grayscale = false;
    bool Progressive = false;
    // From the first Exif block, where it has a field, else from XMP or IPTC (EmbeddedCredit.h).
    ExifCredit Credit;
    CaptureDate Date;  // from the first Exif block, like the orientation
    JpegColours Colours = JpegColours::Rgb;
    // The embedded ICC profile, its APP2 chunks joined; empty when there is none or the chunks do
    // not make one whole profile. An RGB file without one that its Exif marks as Adobe RGB (colour
    // space uncalibrated, interoperability index "R03") gets AdobeRgbProfile().
    std::vector<std::uint8_t> IccProfile;
    // The 8 × 8 blocks of all components: a progressive file keeps 128 bytes of coefficients for
    // each until its last scan.
    std::uint64_t Blocks = 0;
};

// What a decode does when the picture is damaged: its data ends early (a missing end marker alone
// is no damage when every scan is there), or its entropy-coded data is broken (bad codes, or stray
// bytes before a marker once the image data began, bar a few fill bytes of padding before the end
// marker). The rule is JudgeDamage's, in JpegErrorTrap.h. Previews tolerate damage and show the
// library's substitute pixels; the batch steps refuse it, so that a half-copied or corrupted photo
// is never reported as a success. Refusing also reads the markers after the last row. Warnings in
// the header (junk between segments, and the like) never count.
enum class JpegDamage { Tolerate, Refuse };

// Throws EJPEG when the bytes do not start with a JPEG header.
JpegHeader ReadJpegHeader(const std::uint8_t* data, std::size_t size);

// Decodes at full size with the fixed settings into bitmap, whose storage is made after the library
// has started and filled row by row, so on failure bitmap is either still as it was (an error before
// the size was known) or sized with the rows decoded so far, turned upright like a complete
// picture. Colour files give their RGB pixels, in sRGB: converted from an embedded profile that is
// not sRGB unless profiles is ProfileHandling::Keep (then as stored); four-component files are
// converted either way. Grayscale files give the library's 236 dithered grey levels, each through
// the file's grey profile to sRGB's curve when it has one that differs (not with Keep). Throws EJPEG
// for a library error (the library's words in LibraryText()) and EOutOfResources beyond
// kMaxPicturePixels. With JpegDamage::Refuse, a damaged picture throws EJPEG with the library's
// warning as its message and the fault (EJPEG::Fault()), once every row is in (bitmap then holds
// the substitute pixels).
void DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& bitmap,
                JpegDamage damage = JpegDamage::Tolerate,
                ProfileHandling profiles = ProfileHandling::ConvertToSrgb);
// The same for bytes whose header (ReadJpegHeader of the same bytes) the caller holds.
void DecodeJpeg(const std::uint8_t* data, std::size_t size, const JpegHeader& header, TBitmap& bitmap,
                JpegDamage damage = JpegDamage::Tolerate,
                ProfileHandling profiles = ProfileHandling::ConvertToSrgb);

// For a nearest-neighbour reduction to rowCount rows (1 <= rowCount <= the upright height): the
// full-width rows that NearestSourceIndex samples and nothing else, row i of the width × rowCount
// bitmap being upright row NearestSourceIndex(i, rowCount, height). Each is byte for byte that row
// of DecodeJpeg's picture. When the orientation keeps the sides, the rows between are passed over
// as cheaply as the library allows and those beyond the last are never decoded; when it swaps them,
// the sampled rows are stored columns, so the stored picture is decoded whole (but never turned
// whole). Failures as DecodeJpeg's (bitmap as it was, or sized with the rows got so far),
// std::invalid_argument for a row count out of range. Refusing damage also reads past the last
// sampled row to the picture's end, so a file cut short below it is refused as the full decode
// refuses it.
// With ProfileHandling::Keep an RGB or grey file's rows come as stored, for a caller that converts
// only the pixels it keeps (SrgbConversion::ForRgb, ForGrey) or keeps the profile.
void DecodeJpegSampledRows(const std::uint8_t* data, std::size_t size, int rowCount, TBitmap& bitmap,
                           JpegDamage damage = JpegDamage::Tolerate,
                           ProfileHandling profiles = ProfileHandling::ConvertToSrgb);
// The same for bytes whose header (ReadJpegHeader of the same bytes) the caller holds.
void DecodeJpegSampledRows(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                           int rowCount, TBitmap& bitmap, JpegDamage damage = JpegDamage::Tolerate,
                           ProfileHandling profiles = ProfileHandling::ConvertToSrgb);

// The rows of DecodeJpeg's upright picture in order, a few at a time, each byte for byte that row:
// the same settings, colours, size limit and failures. Only the library's own buffers are
// held (for a progressive file that includes its coefficients), never the picture. That works for
// the files whose upright rows are their stored rows in the same order (KeepsRowOrder of the
// header's orientation); for any other the constructor throws std::invalid_argument. The bytes
// must outlive the reader.
class JpegRowReader {
public:
    // Reads the header and starts the library. Throws as DecodeJpeg does before its first row, or
    // std::invalid_argument for a file turned out of row order. With JpegDamage::Refuse, the call
    // that reads the last row throws EJPEG with the library's warning for a damaged picture.
    JpegRowReader(const std::uint8_t* data, std::size_t size,
                  JpegDamage damage = JpegDamage::Tolerate,
                  ProfileHandling profiles = ProfileHandling::ConvertToSrgb);
    // The same for bytes whose header (ReadJpegHeader of the same bytes) the caller holds; the
    // header, like the bytes, must outlive the reader.
    JpegRowReader(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                  JpegDamage damage = JpegDamage::Tolerate,
                  ProfileHandling profiles = ProfileHandling::ConvertToSrgb);
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    int Width() const;
    int Height() const;
    bool IsGrayscale() const;
    // The index of the row the next ReadRows starts with; Height() when every row has been read.
    int NextRow() const;

    // The next rows, at most count of them, into rows[0], rows[1] …, each Width() × 3 bytes of RGB.
    // Returns how many were read: count, or fewer at the bottom, 0 after the last row. Throws EJPEG
    // for a library error; the reader is then finished and every later call throws again.
    int ReadRows(std::uint8_t* const* rows, int count);

private:
    void Begin(ProfileHandling profiles);

    std::unique_ptr<jpeg_detail::DecompressSession> session_;
    JpegDamage damage_;
    int nextRow_ = 0;
    bool isMirrored_ = false;  // every stored row is its upright row mirrored
};

}  // namespace stampwise
