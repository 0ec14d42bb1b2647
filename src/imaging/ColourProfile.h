// Turning decoded pixels into sRGB with Little CMS: an RGB picture whose embedded ICC profile is not
// sRGB, and every four-component (CMYK) picture, through its profile when it has a usable one or
// by the plain ink formula when it has none. Results are always sRGB unless a step keeps the
// source's profile instead (ProfileHandling::Keep), which leaves RGB pixels as stored.
//
// A conversion is made from a file's profile bytes once and then shared, read-only, by every file
// with the same bytes, on any thread (SrgbConversionCache). Reading the profile out of a file is
// the decoder's (JpegSession.cpp), writing it into a result the encoder's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
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

    // Both made through one cache for the whole process, so that a batch's files make the
    // conversion of their profile once.
    //
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
    friend class SrgbConversionCache;
    // RgbMatrix: a matrix-shaper profile, converted by lcms's numbers in tables of our own, which
    // is several times faster than lcms's loop (ColourProfile.cpp).
    enum class Kind { None, RgbMatrix, RgbProfile, CmykProfile, CmykFormula };
    // How the profile's pixels are stored: RGB, CMYK, or CMYK with 255 for no ink.
    enum class Source { Rgb, Cmyk, InvertedCmyk };
    // What a profile made: the kind of conversion, the lcms context and transform, the tables;
    // never changed once made (ColourProfile.cpp).
    struct Transform;
    static std::shared_ptr<const Transform> Make(const std::vector<std::uint8_t>& icc, Source source);
    SrgbConversion(Source source, std::shared_ptr<const Transform> made);

    Kind kind_ = Kind::None;
    bool isInverted_ = false;
    std::shared_ptr<const Transform> transform_;
};

// The conversions made so far, by the profile's bytes: the files of a batch mostly share one or two
// profiles, and making a conversion (reading the profile, lcms's transform, checking the tables
// against it) costs as much as converting a small picture. Safe to use from several threads: a
// conversion, once made, is only read. It holds at most capacity profiles, forgetting the one used
// least recently, since a long batch may meet any number of them.
class SrgbConversionCache {
public:
    explicit SrgbConversionCache(std::size_t capacity);
    ~SrgbConversionCache();
    SrgbConversionCache(const SrgbConversionCache&) = delete;
    SrgbConversionCache& operator=(const SrgbConversionCache&) = delete;

    // What SrgbConversion::ForRgb and ForCmyk give for the same arguments.
    SrgbConversion ForRgb(const std::vector<std::uint8_t>& icc);
    SrgbConversion ForCmyk(const std::vector<std::uint8_t>& icc, bool isInverted);
    // Whether lcms can make a transform from the RGB profile icc (ProfileToKeep).
    bool IsUsableRgb(const std::vector<std::uint8_t>& icc);
    // The number of profiles held.
    std::size_t Size() const;

private:
    struct Entry;
    std::shared_ptr<const SrgbConversion::Transform> Find(const std::vector<std::uint8_t>& icc,
                                                          SrgbConversion::Source source);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;  // the most recently used first
};

// The profile a result keeps under ProfileHandling::Keep: an RGB source's own bytes when lcms can
// convert with them as an RGB profile (a broken one is not passed on), else nothing.
std::vector<std::uint8_t> ProfileToKeep(bool isRgbSource, const std::vector<std::uint8_t>& icc);

}  // namespace stampwise
