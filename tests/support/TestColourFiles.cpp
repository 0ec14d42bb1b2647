#include "support/TestColourFiles.h"

#include <jpeglib.h>
#include <lcms2.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace stampwise::testing {

namespace {

cmsToneCurve* SrgbCurve() {
    const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

Bytes RgbProfile(const cmsCIExyYTRIPLE& primaries, double version, double gamma = 0,
                 cmsCIExyY white = {0.3127, 0.3290, 1.0}) {
    const cmsCIExyY d65 = white;
    cmsToneCurve* curve = gamma > 0 ? cmsBuildGamma(nullptr, gamma) : SrgbCurve();
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsSetProfileVersion(profile, version);
    return SavedProfile(profile);
}

struct TintCargo {
    cmsHTRANSFORM srgbToLab;
};

// Each ink present multiplies the colour by its own; black ink leaves black.
int SampleTint(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
    const ColorValue inks[3] = {kTintCyan, kTintMagenta, kTintYellow};
    double rgb[3] = {1, 1, 1};
    for (int ink = 0; ink < 3; ++ink) {
        const double amount = in[ink] / 65535.0;
        const int channel[3] = {RedOf(inks[ink]), GreenOf(inks[ink]), BlueOf(inks[ink])};
        for (int c = 0; c < 3; ++c) rgb[c] *= 1 - amount + amount * channel[c] / 255.0;
    }
    for (double& c : rgb) c *= 1 - in[3] / 65535.0;
    cmsCIELab lab;
    cmsDoTransform(static_cast<TintCargo*>(cargo)->srgbToLab, rgb, &lab, 1);
    cmsFloat2LabEncoded(out, &lab);
    return TRUE;
}

}  // namespace

Bytes DisplayP3Profile() {
    return RgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, 4.3);
}

Bytes AdobeRgbProfile() {
    return RgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, 2.1, 563.0 / 256.0);
}

Bytes ProPhotoProfile() {
    return RgbProfile({{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}}, 4.3, 1.8,
                      {0.3457, 0.3585, 1.0});
}

Bytes SrgbProfile() { return SavedProfile(cmsCreate_sRGBProfile()); }

Bytes SrgbProfileFromPrimaries() {
    return RgbProfile({{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}}, 2.1);
}

Bytes TintedCmykProfile() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    TintCargo cargo{cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0)};
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);

    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsPipeline* toLab = cmsPipelineAlloc(nullptr, 4, 3);
    // Two grid points a side: every combination of no ink and full ink is a node, so exact.
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 2, 4, 3, nullptr);
    cmsStageSampleCLut16bit(table, SampleTint, &cargo, 0);
    // A lutAtoBType holds curves on both sides of its table; identities here.
    cmsPipelineInsertStage(toLab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(toLab, cmsAT_END, table);
    cmsPipelineInsertStage(toLab, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, toLab);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipelineFree(toLab);
    cmsDeleteTransform(cargo.srgbToLab);
    return SavedProfile(profile);
}

std::vector<Bytes> IccChunkPayloads(const Bytes& profile, std::size_t chunkBytes) {
    static constexpr char kMark[] = "ICC_PROFILE";  // with its terminating NUL, 12 bytes
    const std::size_t count = (profile.size() + chunkBytes - 1) / chunkBytes;
    std::vector<Bytes> payloads;
    for (std::size_t i = 0; i < count; ++i) {
        Bytes payload(kMark, kMark + sizeof kMark);
        payload.push_back(static_cast<std::uint8_t>(i + 1));
        payload.push_back(static_cast<std::uint8_t>(count));
        const std::size_t first = i * chunkBytes;
        const std::size_t last = std::min(profile.size(), first + chunkBytes);
        payload.insert(payload.end(), profile.begin() + static_cast<std::ptrdiff_t>(first),
                       profile.begin() + static_cast<std::ptrdiff_t>(last));
        payloads.push_back(std::move(payload));
    }
    return payloads;
}

Bytes WithApp2(const Bytes& jpeg, const std::vector<Bytes>& payloads) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    for (const Bytes& payload : payloads) {
        const std::size_t length = payload.size() + 2;
        if (length > 0xFFFF) throw std::invalid_argument("WithApp2: payload too long");
        out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8),
                               static_cast<std::uint8_t>(length & 0xFF)});
        out.insert(out.end(), payload.begin(), payload.end());
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes WithIccProfile(const Bytes& jpeg, const Bytes& profile) {
    return WithApp2(jpeg, IccChunkPayloads(profile, 65519));
}

Bytes EncodeInkJpeg(int width, int height, const Bytes& inks, bool isYcck, bool isInverted,
                    const Bytes& icc) {
    if (inks.size() != static_cast<std::size_t>(width) * height * 4) {
        throw std::invalid_argument("EncodeInkJpeg: four bytes per pixel");
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, isYcck ? JCS_YCCK : JCS_CMYK);
    jpeg_set_quality(&info, 95, TRUE);
    // libjpeg marks every four-component file; only an inverted one (or YCCK) keeps the mark.
    info.write_Adobe_marker = isYcck || isInverted ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    if (!icc.empty()) jpeg_write_icc_profile(&info, icc.data(), static_cast<unsigned int>(icc.size()));
    Bytes row(static_cast<std::size_t>(width) * 4);
    while (info.next_scanline < info.image_height) {
        const std::uint8_t* from = inks.data() + static_cast<std::size_t>(info.next_scanline) * row.size();
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = isInverted ? static_cast<std::uint8_t>(255 - from[i]) : from[i];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

TBitmap ColourBlocks(const std::vector<ColorValue>& colours, int blockPx) {
    TBitmap picture;
    picture.Allocate(static_cast<int>(colours.size()) * blockPx, blockPx);
    for (int y = 0; y < blockPx; ++y) {
        for (int x = 0; x < picture.Width(); ++x) picture.SetPixelAt(x, y, colours[x / blockPx]);
    }
    return picture;
}

Bytes SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(profile, nullptr, &size)) throw std::runtime_error("lcms: profile not saved");
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

}  // namespace stampwise::testing
