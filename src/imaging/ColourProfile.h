// Turning decoded pixels into sRGB with Little CMS: an RGB picture whose embedded ICC profile is not
// sRGB, and every four-component (CMYK) picture, through its profile when it has a usable one or
// by the plain ink formula when it has none. Results are always sRGB unless a step keeps the
// source's profile instead (ProfileHandling::Keep), which leaves RGB pixels as stored.
//
// A conversion belongs to one file: it is built from that file's profile bytes and holds its own
// lcms context, so files converted on several threads share nothing. Reading the profile out of a
// file is the decoder's (JpegSession.cpp), writing it into a result the encoder's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise {

// What the steps do with an RGB source's embedded profile: convert its pixels to sRGB, so the
// result needs no profile (the default), or keep its pixels and write its profile into the result,
// for viewers that show wide gamut. Four-component sources are converted either way: a result is
// always RGB, and a CMYK profile cannot describe it.
enum class ProfileHandling { ConvertToSrgb, Keep };

class SrgbConversion {
public:
    // No conversion: pixels stay as they are.
    SrgbConversion();
    ~SrgbConversion();
    SrgbConversion(SrgbConversion&&) noexcept;
    SrgbConversion& operator=(SrgbConversion&&) noexcept;

    // For an RGB picture with the embedded profile icc (empty for an untagged one). No conversion
    // when the profile is missing, is sRGB, or is no RGB profile lcms can use: such a picture is
    // taken as sRGB, as viewers take it. "sRGB" is decided by what the profile does, not by its
    // name: one whose conversion to lcms's own sRGB moves no probe colour by more than one level.
    static SrgbConversion ForRgb(const std::vector<std::uint8_t>& icc);
    // For a four-component picture, always a conversion: through its CMYK profile when lcms can use
    // it, else R = (255 - C)(255 - K) / 255 and so on. isInverted: the file stores 255 for no ink,
    // as Adobe's files do (their APP14 marker says so).
    static SrgbConversion ForCmyk(const std::vector<std::uint8_t>& icc, bool isInverted);

    bool IsNone() const { return kind_ == Kind::None; }
    // Bytes per pixel of the input: 3, or 4 for CMYK.
    int InputChannels() const { return kind_ == Kind::CmykProfile || kind_ == Kind::CmykFormula ? 4 : 3; }

    // pixelCount pixels of InputChannels() bytes from in, as RGB into out. For three channels in
    // may be out. Nothing is allocated and nothing thrown, so it may run inside libjpeg's frames.
    void Convert(const std::uint8_t* in, std::uint8_t* out, std::size_t pixelCount) const noexcept;
    // Every pixel of an RGB picture, in place.
    void ConvertPicture(TBitmap& picture) const;

private:
    // RgbMatrix: a matrix-shaper profile, converted by lcms's numbers in tables of our own, which
    // is several times faster than lcms's loop (ColourProfile.cpp).
    enum class Kind { None, RgbMatrix, RgbProfile, CmykProfile, CmykFormula };
    struct Transform;  // the lcms context and transform, in ColourProfile.cpp

    Kind kind_ = Kind::None;
    bool isInverted_ = false;
    std::unique_ptr<Transform> transform_;
};

// The profile a result keeps under ProfileHandling::Keep: an RGB source's own bytes when lcms can
// convert with them as an RGB profile (a broken one is not passed on), else nothing.
std::vector<std::uint8_t> ProfileToKeep(bool isRgbSource, const std::vector<std::uint8_t>& icc);

}  // namespace stampwise
