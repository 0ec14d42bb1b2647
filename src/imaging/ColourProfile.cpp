// Every Little CMS call of the system. The settings are fixed: relative colorimetric intent with
// black-point compensation, 8 bits in and out, lcms's own sRGB as the target. Each conversion opens
// its own context (cmsCreateContext) and makes everything in it with the THR functions, so that
// nothing of lcms's global state is touched after start-up. A conversion is made once for a
// profile's bytes and then shared by the files that carry them, on any thread: lcms's transform
// keeps no state between calls of cmsDoTransform (its one-pixel cache is copied into each call),
// and the tables are only read. lcms's error log goes nowhere: a profile it cannot use simply
// gives no conversion.
//
// lcms's own loop costs about as much per pixel as decoding does (its formatters and pipeline are
// called pixel by pixel), even with its own optimised 8-bit matrix-shaper pipeline; measured on a
// watermark it cost well over the tables below (bench/README.md). So for the common profiles, the
// matrix-shaper ones (Adobe RGB, Display P3, ProPhoto, Apple's), the rows go through the same three
// steps lcms takes with them, as tables: the profile's tone curves to linear light, one 3 × 3
// matrix from its colorants into sRGB's, sRGB's inverse curve. lcms supplies every number (it reads
// the tags and evaluates the curves); only the loop is ours, and it is used only when it agrees
// with lcms's transform within one level on every probe colour. Any other profile, and CMYK, goes
// through lcms's transform.
//
// A grey picture converts grey to grey: lcms's transform from its profile to a grey profile with
// sRGB's curve, read once into a table of 256 levels. The decoder applies it to the 236 levels of
// the library's colour map (not to the dithered pixels one by one), so a converted grey costs what
// an untagged one does.
//
// This does not read the profile out of a JPEG file (the decoder joins its APP2 chunks with
// jpeg_read_icc_profile) and does not decide which pictures are converted (the decoder and the
// resize do, by the picture's colour space).
#include "imaging/ColourProfile.h"
#include "imaging/LcmsSupport.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace stampwise {

using namespace lcms_detail;

namespace {

// Colours a picture is made of: a coarse cube through every corner, and the whole grey ramp,
// where a difference of tone curves shows first.
std::vector<std::uint8_t> ProbeColours() {
    std::vector<std::uint8_t> probes;
    constexpr int kLevels[] = {0, 32, 64, 96, 128, 160, 192, 224, 255};
    for (int r : kLevels) {
        for (int g : kLevels) {
            for (int b : kLevels) {
                probes.insert(probes.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                             static_cast<std::uint8_t>(b)});
            }
        }
    }
    for (int v = 0; v < 256; ++v) probes.insert(probes.end(), 3, static_cast<std::uint8_t>(v));
    return probes;
}

// Whether the transform leaves every probe colour within one level: the profile is sRGB (under any
// name, v2 or v4, tables or curves), and converting would change nothing worth a changed result.
bool MovesNoProbe(cmsHTRANSFORM transform) {
    const std::vector<std::uint8_t> probes = ProbeColours();
    std::vector<std::uint8_t> converted(probes.size());
    cmsDoTransform(transform, probes.data(), converted.data(),
                   static_cast<cmsUInt32Number>(probes.size() / 3));
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (std::abs(int{probes[i]} - int{converted[i]}) > 1) return false;
    }
    return true;
}

// Linear light in fixed point: 0 is black, kLinearOne white. Fine enough that even sRGB's steepest
// stretch (its slope of 12.92 near black) moves less than a quarter of a level from one step to
// the next.
constexpr int kLinearBits = 14;
constexpr std::int32_t kLinearOne = 1 << kLinearBits;

// A matrix-shaper profile's conversion to sRGB, in fixed point: each source channel's share of each
// sRGB channel's linear light is a table (the tone curve times its matrix coefficient), so a pixel
// costs three look-ups of a source value's shares and no multiplication; the tables stay within
// the first-level cache. A value's three shares lie side by side (and a fourth, zero), so that
// with SSE2 one load fetches them, one addition serves all three channels and two pixels are
// clipped at once, four pixels a turn; without it, the same sums and clipping are made one channel
// at a time, with the same results.
struct MatrixShaper {
    // [source channel][source value][sRGB channel, then 0], kLinearOne << kLinearBits for 1.
    alignas(16) std::int32_t share[3][256][4];
    std::uint8_t toSrgb[kLinearOne + 1];  // sRGB's three curves are one

    void Convert(const std::uint8_t* in, std::uint8_t* out, std::size_t pixelCount) const noexcept {
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 4 <= pixelCount; i += 4, in += 12, out += 12) {
            // All four read before any is written: in may be out.
            const __m128i first = Clipped(Linear(in), Linear(in + 3));
            const __m128i second = Clipped(Linear(in + 6), Linear(in + 9));
            Store(first, out);
            Store(second, out + 6);
        }
#endif
        for (; i < pixelCount; ++i, in += 3, out += 3) {
            // All three read before any is written: in may be out.
            const unsigned r = in[0];
            const unsigned g = in[1];
            const unsigned b = in[2];
            for (int c = 0; c < 3; ++c) {
                const std::int32_t v = (share[0][r][c] + share[1][g][c] + share[2][b][c]) >> kLinearBits;
                // Colours outside sRGB are clipped, as relative colorimetric does.
                out[c] = toSrgb[std::clamp(v, std::int32_t{0}, kLinearOne)];
            }
        }
    }

#if defined(__SSE2__)
    __m128i Shares(int channel, std::uint8_t value) const noexcept {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(share[channel][value]));
    }
    // A pixel's linear light in its first three lanes (the shift of the loop below).
    __m128i Linear(const std::uint8_t* pixel) const noexcept {
        const __m128i sum =
            _mm_add_epi32(_mm_add_epi32(Shares(0, pixel[0]), Shares(1, pixel[1])), Shares(2, pixel[2]));
        return _mm_srai_epi32(sum, kLinearBits);
    }
    // Two pixels' linear light in 16-bit lanes 0-2 and 4-6, clipped as below: packing saturates,
    // which clipping to [0, kLinearOne] then brings to the same end.
    static __m128i Clipped(__m128i first, __m128i second) noexcept {
        const __m128i linear = _mm_packs_epi32(first, second);
        return _mm_min_epi16(_mm_max_epi16(linear, _mm_setzero_si128()),
                             _mm_set1_epi16(static_cast<short>(kLinearOne)));
    }
    void Store(__m128i linear, std::uint8_t* out) const noexcept {
        out[0] = toSrgb[_mm_extract_epi16(linear, 0)];
        out[1] = toSrgb[_mm_extract_epi16(linear, 1)];
        out[2] = toSrgb[_mm_extract_epi16(linear, 2)];
        out[3] = toSrgb[_mm_extract_epi16(linear, 4)];
        out[4] = toSrgb[_mm_extract_epi16(linear, 5)];
        out[5] = toSrgb[_mm_extract_epi16(linear, 6)];
    }
#endif
};

// The inverse of the 3 × 3 matrix a, or false when a is singular.
bool InvertInto(const double a[3][3], double inverse[3][3]) {
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (!(std::fabs(det) > 1e-12)) return false;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // The cofactor of a[c][r], divided by the determinant.
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inverse[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
        }
    }
    return true;
}

// lcms's numbers for the way it converts a matrix-shaper profile to sRGB, or nothing when the
// profile converts through tables (a LUT for the intent) or lacks a tag.
std::unique_ptr<MatrixShaper> MakeMatrixShaper(cmsContext context, cmsHPROFILE profile) {
    if (!cmsIsMatrixShaper(profile) ||
        cmsIsCLUT(profile, INTENT_RELATIVE_COLORIMETRIC, LCMS_USED_AS_INPUT)) {
        return nullptr;
    }
    const ProfileHandle srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb) return nullptr;
    constexpr cmsTagSignature kColorants[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                               cmsSigBlueColorantTag};
    constexpr cmsTagSignature kCurves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    auto shaper = std::make_unique<MatrixShaper>();
    for (auto& channel : shaper->share) {
        for (auto& value : channel) value[3] = 0;
    }
    double source[3][3];
    double target[3][3];
    double toLinear[3][256];
    for (int c = 0; c < 3; ++c) {
        const auto* from = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, kColorants[c]));
        const auto* to = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), kColorants[c]));
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, kCurves[c]));
        if (from == nullptr || to == nullptr || curve == nullptr) return nullptr;
        source[0][c] = from->X;
        source[1][c] = from->Y;
        source[2][c] = from->Z;
        target[0][c] = to->X;
        target[1][c] = to->Y;
        target[2][c] = to->Z;
        for (int v = 0; v < 256; ++v) {
            const float linear = cmsEvalToneCurveFloat(curve, static_cast<float>(v) / 255.0f);
            toLinear[c][v] = std::clamp(static_cast<double>(linear), 0.0, 1.0);
        }
    }
    const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb.get(), kCurves[0]));
    cmsToneCurve* inverse = srgbCurve == nullptr ? nullptr : cmsReverseToneCurve(srgbCurve);
    if (inverse == nullptr) return nullptr;
    for (int i = 0; i <= kLinearOne; ++i) {
        const float v = cmsEvalToneCurveFloat(inverse, static_cast<float>(i) / kLinearOne);
        shaper->toSrgb[i] = static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    }
    cmsFreeToneCurve(inverse);
    double toTarget[3][3];
    if (!InvertInto(target, toTarget)) return nullptr;
    for (int r = 0; r < 3; ++r) {
        double weight = 0;  // the most a row can add up to, in units of white
        for (int c = 0; c < 3; ++c) {
            double coefficient = 0;
            for (int k = 0; k < 3; ++k) coefficient += toTarget[r][k] * source[k][c];
            weight += std::fabs(coefficient);
            // The rounding half of the sum rides on the first share.
            const double half = c == 0 ? 0.5 : 0.0;
            for (int v = 0; v < 256; ++v) {
                shaper->share[c][v][r] = static_cast<std::int32_t>(
                    std::lround((coefficient * toLinear[c][v] * kLinearOne + half) * kLinearOne));
            }
        }
        // Three shares, each at most white times its coefficient, must stay within 31 bits.
        if (!(weight < 7.5)) return nullptr;
    }
    return shaper;
}

// Whether the tables give what lcms's transform gives, within one level, on every probe colour.
bool AgreesWithLcms(const MatrixShaper& shaper, cmsHTRANSFORM transform) {
    const std::vector<std::uint8_t> probes = ProbeColours();
    std::vector<std::uint8_t> byLcms(probes.size());
    std::vector<std::uint8_t> byTables(probes.size());
    const std::size_t count = probes.size() / 3;
    cmsDoTransform(transform, probes.data(), byLcms.data(), static_cast<cmsUInt32Number>(count));
    shaper.Convert(probes.data(), byTables.data(), count);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        if (std::abs(int{byLcms[i]} - int{byTables[i]}) > 1) return false;
    }
    return true;
}

// The transform from profile (in pixels of inputFormat) to lcms's sRGB, made in context; or none.
cmsHTRANSFORM ToSrgbTransform(cmsContext context, cmsHPROFILE profile, cmsUInt32Number inputFormat) {
    const ProfileHandle srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb) return nullptr;
    return cmsCreateTransformTHR(context, profile, inputFormat, srgb.get(), TYPE_RGB_8,
                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
}

}  // namespace

struct SrgbConversion::Transform {
    Kind kind = Kind::None;  // of the conversions made from it
    bool isUsable = false;   // lcms made a transform from the profile
    LcmsTransform lcms;      // for Kind::RgbProfile and Kind::CmykProfile
    std::unique_ptr<MatrixShaper> shaper;  // for Kind::RgbMatrix
    std::uint8_t greyLevels[256] = {};     // for Kind::Grey
    std::vector<std::uint8_t> keptForGrey;  // a grey profile's RGB description (ProfileToKeep)
};

SrgbConversion::SrgbConversion() = default;
SrgbConversion::~SrgbConversion() = default;
SrgbConversion::SrgbConversion(SrgbConversion&&) noexcept = default;
SrgbConversion& SrgbConversion::operator=(SrgbConversion&&) noexcept = default;

SrgbConversion::SrgbConversion(Source source, std::shared_ptr<const Transform> made)
    : kind_(made->kind), isInverted_(source == Source::InvertedCmyk) {
    if (kind_ != Kind::None && kind_ != Kind::CmykFormula) transform_ = std::move(made);
}

std::shared_ptr<const SrgbConversion::Transform> SrgbConversion::Make(
    const std::vector<std::uint8_t>& icc, Source source) {
    auto made = std::make_shared<Transform>();
    const bool isRgb = source == Source::Rgb;
    const bool isGrey = source == Source::Grey;
    // Without a usable profile, RGB is taken as sRGB, grey as sRGB's grey, and CMYK goes by the
    // formula.
    made->kind = isRgb || isGrey ? Kind::None : Kind::CmykFormula;
    if (icc.empty()) return made;
    LcmsTransform& lcms = made->lcms;
    lcms.context = MakeContext();
    if (!lcms.context) return made;
    const ProfileHandle profile = OpenProfile(
        lcms.context.get(), icc, isRgb ? cmsSigRgbData : isGrey ? cmsSigGrayData : cmsSigCmykData);
    if (!profile) return made;
    if (isGrey) {
        if (!GreyLevelsToSrgb(lcms.context.get(), profile.get(), made->greyLevels)) return made;
        made->isUsable = true;
        made->keptForGrey = RgbProfileForGrey(lcms.context.get(), profile.get());
        bool isMoving = false;
        for (int v = 0; v < 256; ++v) isMoving = isMoving || std::abs(made->greyLevels[v] - v) > 1;
        if (isMoving) made->kind = Kind::Grey;
        return made;
    }
    // lcms's reversed flavour is the inverted storage: 255 is no ink.
    const cmsUInt32Number format = isRgb                            ? TYPE_RGB_8
                                   : source == Source::InvertedCmyk ? TYPE_CMYK_8_REV
                                                                    : TYPE_CMYK_8;
    lcms.transform = ToSrgbTransform(lcms.context.get(), profile.get(), format);
    if (lcms.transform == nullptr) return made;
    made->isUsable = true;
    if (!isRgb) {
        made->kind = Kind::CmykProfile;
        return made;
    }
    if (MovesNoProbe(lcms.transform)) return made;
    made->shaper = MakeMatrixShaper(lcms.context.get(), profile.get());
    if (made->shaper && !AgreesWithLcms(*made->shaper, lcms.transform)) made->shaper.reset();
    made->kind = made->shaper ? Kind::RgbMatrix : Kind::RgbProfile;
    return made;
}

namespace {

// The cache of every conversion of the process: profiles are few, and the same profile always
// makes the same conversion.
SrgbConversionCache& ProcessConversions() {
    static SrgbConversionCache cache(8);
    return cache;
}

}  // namespace

SrgbConversion SrgbConversion::ForRgb(const std::vector<std::uint8_t>& icc) {
    return ProcessConversions().ForRgb(icc);
}

SrgbConversion SrgbConversion::ForCmyk(const std::vector<std::uint8_t>& icc, bool isInverted) {
    return ProcessConversions().ForCmyk(icc, isInverted);
}

SrgbConversion SrgbConversion::ForGrey(const std::vector<std::uint8_t>& icc) {
    return ProcessConversions().ForGrey(icc);
}

struct SrgbConversionCache::Entry {
    SrgbConversion::Source source;
    std::vector<std::uint8_t> icc;
    std::shared_ptr<const SrgbConversion::Transform> made;
};

SrgbConversionCache::SrgbConversionCache(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)) {}
SrgbConversionCache::~SrgbConversionCache() = default;

std::shared_ptr<const SrgbConversion::Transform> SrgbConversionCache::Find(
    const std::vector<std::uint8_t>& icc, SrgbConversion::Source source) {
    // Made while holding the lock: files that start together with a new profile then make its
    // conversion once, and a batch meets few profiles.
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.source == source && e.icc == icc;
    });
    if (found != entries_.end()) {
        std::rotate(entries_.begin(), found, found + 1);
        return entries_.front().made;
    }
    std::shared_ptr<const SrgbConversion::Transform> made = SrgbConversion::Make(icc, source);
    // Without a context lcms had no memory: the next file may fare better.
    if (!made->lcms.context) return made;
    if (entries_.size() >= capacity_) entries_.pop_back();
    entries_.insert(entries_.begin(), Entry{source, icc, made});
    return made;
}

SrgbConversion SrgbConversionCache::ForRgb(const std::vector<std::uint8_t>& icc) {
    if (icc.empty()) return SrgbConversion();
    return SrgbConversion(SrgbConversion::Source::Rgb, Find(icc, SrgbConversion::Source::Rgb));
}

SrgbConversion SrgbConversionCache::ForCmyk(const std::vector<std::uint8_t>& icc, bool isInverted) {
    const auto source =
        isInverted ? SrgbConversion::Source::InvertedCmyk : SrgbConversion::Source::Cmyk;
    if (icc.empty()) return SrgbConversion(source, SrgbConversion::Make(icc, source));
    return SrgbConversion(source, Find(icc, source));
}

SrgbConversion SrgbConversionCache::ForGrey(const std::vector<std::uint8_t>& icc) {
    if (icc.empty()) return SrgbConversion();
    return SrgbConversion(SrgbConversion::Source::Grey, Find(icc, SrgbConversion::Source::Grey));
}

std::vector<std::uint8_t> SrgbConversionCache::ProfileToKeep(JpegColours colours,
                                                             const std::vector<std::uint8_t>& icc) {
    if (!HasDeclaredSize(icc)) return {};
    // Usable means what a viewer needs of it: a transform can be made from it.
    switch (colours) {
        case JpegColours::Rgb:
            if (Find(icc, SrgbConversion::Source::Rgb)->isUsable) return icc;
            return {};
        case JpegColours::Grey: {
            const auto made = Find(icc, SrgbConversion::Source::Grey);
            if (made->isUsable) return made->keptForGrey;
            return {};
        }
        case JpegColours::Cmyk:
        case JpegColours::InvertedCmyk: break;
    }
    return {};
}

std::size_t SrgbConversionCache::Size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

void SrgbConversion::Convert(const std::uint8_t* in, std::uint8_t* out,
                             std::size_t pixelCount) const noexcept {
    switch (kind_) {
        case Kind::None:
            if (in != out) std::copy(in, in + 3 * pixelCount, out);
            return;
        case Kind::RgbMatrix:
            transform_->shaper->Convert(in, out, pixelCount);
            return;
        case Kind::Grey: {
            const std::uint8_t* levels = transform_->greyLevels;
            for (std::size_t i = 0; i < 3 * pixelCount; ++i) out[i] = levels[in[i]];
            return;
        }
        case Kind::RgbProfile:
        case Kind::CmykProfile:
            // lcms counts pixels in 32 bits; a row is far shorter.
            cmsDoTransform(transform_->lcms.transform, in, out, static_cast<cmsUInt32Number>(pixelCount));
            return;
        case Kind::CmykFormula: {
            // What is left of white after each ink: (255 - ink), or the stored value itself when
            // the file stores it inverted. Each channel is rounded to nearest.
            const bool isInverted = isInverted_;
            const auto left = [isInverted](std::uint8_t ink) { return isInverted ? int{ink} : 255 - ink; };
            for (std::size_t i = 0; i < pixelCount; ++i, in += 4, out += 3) {
                const int k = left(in[3]);
                out[0] = static_cast<std::uint8_t>((left(in[0]) * k + 127) / 255);
                out[1] = static_cast<std::uint8_t>((left(in[1]) * k + 127) / 255);
                out[2] = static_cast<std::uint8_t>((left(in[2]) * k + 127) / 255);
            }
            return;
        }
    }
}

void SrgbConversion::ConvertPicture(TBitmap& picture) const {
    if (IsNone() || picture.Empty()) return;
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.MutableScanLine(y);
        Convert(row, row, static_cast<std::size_t>(picture.Width()));
    }
}

std::vector<std::uint8_t> ProfileToKeep(JpegColours colours, const std::vector<std::uint8_t>& icc) {
    return ProcessConversions().ProfileToKeep(colours, icc);
}

}  // namespace stampwise
