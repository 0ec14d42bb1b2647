// The lcms handles and the profiles made with Little CMS rather than read from a file: sRGB's grey
// (the target of a grey picture's conversion), the RGB description of a grey profile for a result
// that keeps it, Adobe RGB (1998) for files that only their Exif marks as such, and the conversion
// of the logo's sRGB colours into a kept profile's space. The conversions to sRGB themselves are
// ColourProfile.cpp's.
//
// Profiles written here go into results, so their bytes depend on nothing but their numbers: lcms
// stamps what it saves with the time, and the date is fixed after saving.
#include "imaging/LcmsSupport.h"

#include <algorithm>
#include <iterator>

#include "imaging/ColourProfile.h"

namespace stampwise {

namespace lcms_detail {

namespace {

extern "C" void IgnoreLcmsError(cmsContext, cmsUInt32Number, const char*) {}

// sRGB's tone curve as IEC 61966-2-1 gives it.
cmsToneCurve* SrgbCurve(cmsContext context) {
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(context, 4, parameters);
}

// The grey profile with the tone curve and D50 white (a grey profile's PCS white), or nothing.
// Takes the curve and frees it.
ProfileHandle GreyProfile(cmsContext context, cmsToneCurve* curve) {
    if (curve == nullptr) return nullptr;
    ProfileHandle profile(cmsCreateGrayProfileTHR(context, cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return profile;
}

// What lcms makes each of the 256 levels of grey into, in target's outputFormat (levels holds 256
// of it); false when it makes no transform.
bool MapLevels(cmsContext context, cmsHPROFILE grey, cmsHPROFILE target, cmsUInt32Number outputFormat,
               cmsUInt32Number flags, void* levels) {
    const cmsHTRANSFORM transform = cmsCreateTransformTHR(context, grey, TYPE_GRAY_8, target, outputFormat,
                                                          INTENT_RELATIVE_COLORIMETRIC, flags);
    if (transform == nullptr) return false;
    std::uint8_t in[256];
    for (int v = 0; v < 256; ++v) in[v] = static_cast<std::uint8_t>(v);
    cmsDoTransform(transform, in, levels, 256);
    cmsDeleteTransform(transform);
    return true;
}

// Version 2 profiles carry no checksum over the header (version 4 ones do), so the creation date
// can be fixed after saving: 1 January 2000, 00:00.
void FixCreationDate(std::vector<std::uint8_t>& bytes) {
    constexpr std::uint8_t kDate[12] = {0x07, 0xD0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
    if (bytes.size() >= 36) std::copy(std::begin(kDate), std::end(kDate), bytes.begin() + 24);
}

// An RGB profile of the primaries, D65 white and one curve for all three channels, as version 2.1
// bytes (what viewers read most widely); empty when lcms cannot make it. Takes the curve and frees
// it.
std::vector<std::uint8_t> MakeRgbProfile(cmsContext context, const cmsCIExyYTRIPLE& primaries,
                                         cmsToneCurve* curve) {
    if (curve == nullptr) return {};
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const ProfileHandle profile(cmsCreateRGBProfileTHR(context, &d65, &primaries, curves));
    cmsFreeToneCurve(curve);
    if (!profile) return {};
    cmsSetProfileVersion(profile.get(), 2.1);
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile.get(), nullptr, &size) || size == 0) return {};
    std::vector<std::uint8_t> bytes(size);
    if (!cmsSaveProfileToMem(profile.get(), bytes.data(), &size)) return {};
    FixCreationDate(bytes);
    return bytes;
}

}  // namespace

ContextHandle MakeContext() {
    ContextHandle context(cmsCreateContext(nullptr, nullptr));
    if (context) cmsSetLogErrorHandlerTHR(context.get(), IgnoreLcmsError);
    return context;
}

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

bool GreyLevelsToSrgb(cmsContext context, cmsHPROFILE grey, std::uint8_t (&levels)[256]) {
    // Grey to grey, so that no level picks up a tint on its way through RGB.
    const ProfileHandle srgbGrey = GreyProfile(context, SrgbCurve(context));
    return srgbGrey && MapLevels(context, grey, srgbGrey.get(), TYPE_GRAY_8,
                                 cmsFLAGS_BLACKPOINTCOMPENSATION, levels);
}

std::vector<std::uint8_t> RgbProfileForGrey(cmsContext context, cmsHPROFILE grey) {
    // The grey's curve is sampled (its luminance at each level, without black-point compensation:
    // this describes the levels, it does not convert them), so that a grey profile of any make,
    // curve or table, gives one. On sRGB's primaries the colorants add up to the white, so
    // (v, v, v) is the grey profile's v, and a logo's colours stay within sRGB's gamut.
    const ProfileHandle linearGrey = GreyProfile(context, cmsBuildGamma(context, 1.0));
    cmsUInt16Number luminance[256];
    if (!linearGrey || !MapLevels(context, grey, linearGrey.get(), TYPE_GRAY_16, 0, luminance)) return {};
    constexpr cmsCIExyYTRIPLE kSrgbPrimaries = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    return MakeRgbProfile(context, kSrgbPrimaries, cmsBuildTabulatedToneCurve16(context, 256, luminance));
}

bool HasDeclaredSize(const std::vector<std::uint8_t>& icc) {
    // lcms opens a profile cut short as long as its tags lie in what is left, and takes a declared
    // size past the end as the end; a stricter reader refuses both.
    if (icc.size() < 4) return false;
    const std::uint64_t declared = std::uint64_t{icc[0]} << 24 | std::uint64_t{icc[1]} << 16 |
                                   std::uint64_t{icc[2]} << 8 | icc[3];
    return declared == icc.size();
}

}  // namespace lcms_detail

using namespace lcms_detail;

std::vector<std::uint8_t> AdobeRgbProfile() {
    const ContextHandle context = MakeContext();
    if (!context) return {};
    constexpr cmsCIExyYTRIPLE kAdobePrimaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    return MakeRgbProfile(context.get(), kAdobePrimaries, cmsBuildGamma(context.get(), 563.0 / 256.0));
}

bool ConvertSrgbPictureInto(const std::vector<std::uint8_t>& icc, TBitmap& picture) {
    if (!HasDeclaredSize(icc)) return false;
    LcmsTransform lcms;
    lcms.context = MakeContext();
    if (!lcms.context) return false;
    const ProfileHandle profile = OpenProfile(lcms.context.get(), icc, cmsSigRgbData);
    const ProfileHandle srgb(cmsCreate_sRGBProfileTHR(lcms.context.get()));
    if (!profile || !srgb) return false;
    lcms.transform = cmsCreateTransformTHR(lcms.context.get(), srgb.get(), TYPE_RGB_8, profile.get(),
                                           TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                                           cmsFLAGS_BLACKPOINTCOMPENSATION);
    if (lcms.transform == nullptr) return false;
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.MutableScanLine(y);
        cmsDoTransform(lcms.transform, row, row, static_cast<cmsUInt32Number>(picture.Width()));
    }
    return true;
}

}  // namespace stampwise
