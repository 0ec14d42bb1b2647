// Turning decoded pixels into sRGB with Little CMS: an RGB picture whose embedded ICC profile is not
// sRGB, a grey picture whose grey profile's curve is not sRGB's (it stays grey), and every
// four-component (CMYK) picture, through its profile when it has a usable one or by the plain ink
// formula when it has none. Results are always sRGB unless a step keeps the source's profile
// instead (ProfileHandling::Keep), which leaves RGB and grey pixels as stored. The other way, the
// logo's sRGB colours go into a kept profile's space (ConvertSrgbPictureInto).
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

// The colours a file's frame holds. Four-component files are CMYK (a YCCK file is read as CMYK);
// Adobe's, which carry an APP14 marker, store them inverted (255 is no ink).
enum class JpegColours { Grey, Rgb, Cmyk, InvertedCmyk };

class SrgbConversion {
public:
    // No conversion: pixels stay as they are.
    SrgbConversion();
    ~SrgbConversion();
    SrgbConversion(SrgbConversion&&) noexcept;
    SrgbConversion& operator=(SrgbConversion&&) noexcept;

    // All made through one cache for the whole process, so that a batch's files make the
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
    // For a grey picture with the embedded grey profile icc, as RGB pixels whose three channels are
    // the grey: each level through the profile to sRGB's tone curve, grey to grey (one channel in,
    // one out, so no tint). No conversion when the profile is missing, is no grey profile lcms can
    // use, or moves no level by more than one (a grey with sRGB's curve).
    static SrgbConversion ForGrey(const std::vector<std::uint8_t>& icc);

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
    // is several times faster than lcms's loop (ColourProfile.cpp). Grey: a table of 256 levels.
    enum class Kind { None, RgbMatrix, RgbProfile, CmykProfile, CmykFormula, Grey };
    // How the profile's pixels are stored: RGB, CMYK, CMYK with 255 for no ink, or grey.
    enum class Source { Rgb, Cmyk, InvertedCmyk, Grey };
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
    SrgbConversion ForGrey(const std::vector<std::uint8_t>& icc);
    // What ProfileToKeep gives for a source of these colours with the profile icc.
    std::vector<std::uint8_t> ProfileToKeep(JpegColours colours, const std::vector<std::uint8_t>& icc);
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

// The profile a result keeps under ProfileHandling::Keep, else nothing. Only a sound profile is
// passed on: its declared size is its length, and lcms makes a transform from it.
// An RGB source keeps its own bytes. A grey source's result is RGB, which a grey profile cannot
// describe (a viewer ignores it there), so it gets an RGB profile made from the grey's: sRGB's
// primaries and white, and the grey's tone curve on all three channels, which puts every grey
// level where the grey profile puts it.
std::vector<std::uint8_t> ProfileToKeep(JpegColours colours, const std::vector<std::uint8_t>& icc);

// Adobe RGB (1998) as its format publishes it, made with lcms: its primaries, D65 white, gamma
// 563/256; for files that Exif alone marks as Adobe RGB. The same bytes on every call.
std::vector<std::uint8_t> AdobeRgbProfile();

// Every pixel of an sRGB picture, in place, into the space of the RGB profile icc (relative
// colorimetric with black-point compensation, as the other way). False, and the picture as it
// was, when the profile is not one ProfileToKeep would pass on.
bool ConvertSrgbPictureInto(const std::vector<std::uint8_t>& icc, TBitmap& picture);

}  // namespace stampwise
