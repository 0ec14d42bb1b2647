// Every Little CMS call of the system. The settings are fixed: relative colorimetric intent with
// black-point compensation, 8 bits in and out, lcms's own sRGB as the target. Each conversion opens
// its own context (cmsCreateContext) and makes everything in it with the THR functions, so that
// nothing of lcms's global state is touched after start-up and files on other threads never meet.
// lcms's error log goes nowhere: a profile it cannot use simply gives no conversion.
//
// This does not read the profile out of a JPEG file (the decoder joins its APP2 chunks with
// jpeg_read_icc_profile) and does not decide which pictures are converted (the decoder and the
// resize do, by the picture's colour space).
#include "imaging/ColourProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdlib>
#include <type_traits>

namespace stampwise {

namespace {

extern "C" void IgnoreLcmsError(cmsContext, cmsUInt32Number, const char*) {}

struct ContextCloser {
    void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
using ContextHandle = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextCloser>;

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

ContextHandle MakeContext() {
    ContextHandle context(cmsCreateContext(nullptr, nullptr));
    if (context) cmsSetLogErrorHandlerTHR(context.get(), IgnoreLcmsError);
    return context;
}

// A profile of the wanted colour space that converts pixels (not a device link, abstract or
// named-colour profile), or nothing.
ProfileHandle OpenProfile(cmsContext context, const std::vector<std::uint8_t>& icc,
                          cmsColorSpaceSignature space) {
    if (icc.empty() || icc.size() > 0xFFFFFFFFu) return nullptr;
    ProfileHandle profile(cmsOpenProfileFromMemTHR(context, icc.data(),
                                                   static_cast<cmsUInt32Number>(icc.size())));
    if (!profile || cmsGetColorSpace(profile.get()) != space) return nullptr;
    const cmsProfileClassSignature kind = cmsGetDeviceClass(profile.get());
    if (kind == cmsSigLinkClass || kind == cmsSigAbstractClass || kind == cmsSigNamedColorClass) {
        return nullptr;
    }
    return profile;
}

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

// A transform and the context it was made in, released in that order.
struct LcmsTransform {
    ContextHandle context;
    cmsHTRANSFORM transform = nullptr;

    LcmsTransform() = default;
    LcmsTransform(const LcmsTransform&) = delete;
    LcmsTransform& operator=(const LcmsTransform&) = delete;
    ~LcmsTransform() {
        if (transform != nullptr) cmsDeleteTransform(transform);
    }
};

// The transform from profile (in pixels of inputFormat) to lcms's sRGB, made in context; or none.
cmsHTRANSFORM ToSrgbTransform(cmsContext context, cmsHPROFILE profile, cmsUInt32Number inputFormat) {
    const ProfileHandle srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb) return nullptr;
    return cmsCreateTransformTHR(context, profile, inputFormat, srgb.get(), TYPE_RGB_8,
                                 INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
}

}  // namespace

struct SrgbConversion::Transform : LcmsTransform {};

SrgbConversion::SrgbConversion() = default;
SrgbConversion::~SrgbConversion() = default;
SrgbConversion::SrgbConversion(SrgbConversion&&) noexcept = default;
SrgbConversion& SrgbConversion::operator=(SrgbConversion&&) noexcept = default;

SrgbConversion SrgbConversion::ForRgb(const std::vector<std::uint8_t>& icc) {
    SrgbConversion conversion;
    if (icc.empty()) return conversion;
    auto made = std::make_unique<Transform>();
    made->context = MakeContext();
    if (!made->context) return conversion;
    const ProfileHandle profile = OpenProfile(made->context.get(), icc, cmsSigRgbData);
    if (!profile) return conversion;
    made->transform = ToSrgbTransform(made->context.get(), profile.get(), TYPE_RGB_8);
    if (made->transform == nullptr || MovesNoProbe(made->transform)) return conversion;
    conversion.kind_ = Kind::RgbProfile;
    conversion.transform_ = std::move(made);
    return conversion;
}

SrgbConversion SrgbConversion::ForCmyk(const std::vector<std::uint8_t>& icc, bool isInverted) {
    SrgbConversion conversion;
    conversion.kind_ = Kind::CmykFormula;
    conversion.isInverted_ = isInverted;
    if (icc.empty()) return conversion;
    auto made = std::make_unique<Transform>();
    made->context = MakeContext();
    if (!made->context) return conversion;
    const ProfileHandle profile = OpenProfile(made->context.get(), icc, cmsSigCmykData);
    if (!profile) return conversion;
    // lcms's reversed flavour is the inverted storage: 255 is no ink.
    made->transform = ToSrgbTransform(made->context.get(), profile.get(),
                                      isInverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8);
    if (made->transform == nullptr) return conversion;
    conversion.kind_ = Kind::CmykProfile;
    conversion.transform_ = std::move(made);
    return conversion;
}

void SrgbConversion::Convert(const std::uint8_t* in, std::uint8_t* out,
                             std::size_t pixelCount) const noexcept {
    switch (kind_) {
        case Kind::None:
            if (in != out) std::copy(in, in + 3 * pixelCount, out);
            return;
        case Kind::RgbProfile:
        case Kind::CmykProfile:
            // lcms counts pixels in 32 bits; a row is far shorter.
            cmsDoTransform(transform_->transform, in, out, static_cast<cmsUInt32Number>(pixelCount));
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

std::vector<std::uint8_t> ProfileToKeep(bool isRgbSource, const std::vector<std::uint8_t>& icc) {
    if (!isRgbSource || icc.empty()) return {};
    // Usable means what a viewer needs of it: a transform can be made from it.
    LcmsTransform trial;
    trial.context = MakeContext();
    if (!trial.context) return {};
    const ProfileHandle profile = OpenProfile(trial.context.get(), icc, cmsSigRgbData);
    if (!profile) return {};
    trial.transform = ToSrgbTransform(trial.context.get(), profile.get(), TYPE_RGB_8);
    if (trial.transform == nullptr) return {};
    return icc;
}

}  // namespace stampwise
