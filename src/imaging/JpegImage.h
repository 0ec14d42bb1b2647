// TJPEGImage: a JPEG picture that keeps a file's bytes, reads the header size without decoding and
// decodes into a TBitmap on first need. A result is encoded by EncodeJpeg (JpegEncoder.h), not here.
//
// The libjpeg calls live in JpegSession.cpp; this class only keeps state.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureCost.h"

namespace stampwise {

// The compressed data of one JPEG file and what its header says.
struct TJPEGData {
    std::vector<std::uint8_t> Bytes;
    // Upright, as the file's Exif orientation turns it (ExifOrientation.h).
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
    ExifCredit Credit;  // the source's Artist and Copyright, for its results
    CaptureDate Date;   // and when it was taken
    JpegColours Colours = JpegColours::Rgb;
    std::vector<std::uint8_t> IccProfile;  // the embedded profile, empty when there is none
};

// The codec settings every picture uses; nothing changes them.
struct JpegSettings {
    static constexpr int kQuality = 90;
    static constexpr int kQuantizedColors = 236;  // grey levels of a decoded grayscale file
};

class TJPEGImage {
public:
    // Replaces the content by the file's bytes and reads its header; decodes nothing.
    // EFOpenError when the file cannot be opened (the picture is then unchanged), EJPEG when the
    // header is not a JPEG header (the picture then holds the bytes and reports 0 × 0).
    // A zero-length file reads without error as 0 × 0 and fails when decoded.
    // known: the file's header read before, when the bytes read now still start as they did then
    // (HeaderReadBefore), so it is not parsed again.
    void ReadFromFile(const std::string& path, const HeaderReadBefore* known = nullptr);
    // The same, from the stream's current position to its end.
    void ReadFromStream(std::istream& stream);
    // The same, from bytes in memory; known, when given, is the header of these bytes.
    void ReadFromBytes(std::vector<std::uint8_t> bytes, const JpegHeader* known = nullptr);

    // The decoded bitmap's size when there is one, else the header's (upright), also after a
    // decoding that failed before the bitmap was sized. Never decodes.
    int Width() const;
    int Height() const;
    bool IsGrayscale() const { return data_ && data_->Grayscale; }
    bool IsProgressive() const { return progressive_; }
    // The compressed data, if any.
    const TJPEGData* Data() const { return data_ ? &*data_ : nullptr; }
    // The whole header, once one was read.
    const JpegHeader* Header() const { return header_ ? &*header_ : nullptr; }

    // Decodes on the first call, turned upright as the file's Exif orientation says and in sRGB
    // unless profiles keeps an RGB file's pixels as stored (EJPEG on a library error, or with
    // JpegDamage::Refuse on a damaged picture; the bitmap made so far is kept and returned by later
    // calls without decoding again, whatever they ask).
    const TBitmap& DecodedBitmap(JpegDamage damage = JpegDamage::Tolerate,
                                 ProfileHandling profiles = ProfileHandling::ConvertToSrgb);
    bool HasBitmap() const { return bitmap_.has_value(); }

private:
    std::optional<TJPEGData> data_;
    std::optional<JpegHeader> header_;  // for decoding without parsing the header again
    std::optional<TBitmap> bitmap_;
    bool progressive_ = false;
};

// Reads a picture by its file's extension, in any letter case: "jpg" and "jpeg" as a decoded JPEG
// picture, "bmp" as a BMP file. EUnknownExtension for any other extension; "ico", "emf" and "wmf" are
// known but never read here, and fail with EInvalidGraphic.
TBitmap ReadPictureFile(const std::string& path);

}  // namespace stampwise
