// What ColourProfile.cpp and the profiles made with Little CMS (LcmsSupport.cpp) share: handles
// that release lcms's objects, a context whose errors go nowhere, opening a profile of a wanted
// colour space, and the grey and RGB profiles the conversions make. Only the imaging floor's
// colour code includes this; everyone else goes through ColourProfile.h.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace stampwise::lcms_detail {

struct ContextCloser {
    void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
using ContextHandle = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextCloser>;

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

// A context of its own, whose error log goes nowhere: a profile lcms cannot use simply gives none.
ContextHandle MakeContext();

// A profile of the wanted colour space that converts pixels (not a device link, abstract or
// named-colour profile), or nothing.
ProfileHandle OpenProfile(cmsContext context, const std::vector<std::uint8_t>& icc,
                          cmsColorSpaceSignature space);

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

// Each of the 256 levels of the grey profile grey as sRGB's grey (the same level on sRGB's tone
// curve), relative colorimetric with black-point compensation; false when lcms makes no transform.
bool GreyLevelsToSrgb(cmsContext context, cmsHPROFILE grey, std::uint8_t (&levels)[256]);

// The RGB profile that describes a grey profile's levels on RGB pixels (ProfileToKeep), as bytes;
// empty when lcms cannot make it.
std::vector<std::uint8_t> RgbProfileForGrey(cmsContext context, cmsHPROFILE grey);

// Whether the size a profile's header declares (its first four bytes, big-endian) is its length.
bool HasDeclaredSize(const std::vector<std::uint8_t>& icc);

}  // namespace stampwise::lcms_detail
