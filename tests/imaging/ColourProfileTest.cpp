// Pictures come out of the decoder in sRGB: a wide-gamut tagged picture converted through its
// profile, CMYK and YCCK through theirs or the plain formula; untagged and sRGB-tagged pictures
// exactly as before, and a profile that is broken in any way as if there were none.
#include "imaging/ColourProfile.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <cstdio>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "support/ReferenceCodec.h"
#include "support/TestColourFiles.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using testing::Bytes;
using testing::ColorsClose;
using testing::ColourBlocks;
using testing::FirstDifference;

TBitmap Decoded(const Bytes& file, ProfileHandling profiles = ProfileHandling::ConvertToSrgb) {
    TBitmap picture;
    DecodeJpeg(file.data(), file.size(), picture, JpegDamage::Refuse, profiles);
    return picture;
}

std::string Hex(ColorValue c) {
    char text[16];
    std::snprintf(text, sizeof text, "%d,%d,%d", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
}

// The centre of block i of a ColourBlocks picture, away from the chroma of its neighbours.
ColorValue BlockCentre(const TBitmap& picture, int i, int blockPx) {
    return picture.PixelAt(i * blockPx + blockPx / 2, blockPx / 2);
}

TEST(ColourProfile, DisplayP3PictureComesBackInItsSrgbColours) {
    // sRGB (200, 100, 50) is (187, 105, 61) in Display P3; white and black are the same in both.
    const Bytes plain = EncodeJpeg(ColourBlocks({RGBColor(187, 105, 61), kColorWhite, kColorBlack}, 16));
    const Bytes tagged = testing::WithIccProfile(plain, testing::DisplayP3Profile());

    const TBitmap converted = Decoded(tagged);
    const ColorValue expected[] = {RGBColor(200, 100, 50), kColorWhite, kColorBlack};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(ColorsClose(BlockCentre(converted, i, 16), expected[i], 2))
            << "block " << i << ": " << Hex(BlockCentre(converted, i, 16));
    }
    // Kept, the file's own values come out.
    EXPECT_EQ(FirstDifference(Decoded(tagged, ProfileHandling::Keep), Decoded(plain)), -1);
}

// The conversion may take its own way to lcms's result; over a dense grid of colours it must land
// within one level of lcms's transform with the same settings.
TEST(ColourProfile, WideGamutConversionsAgreeWithLittleCmsWithinOneLevel) {
    const struct {
        const char* name;
        Bytes profile;
    } cases[] = {
        {"Display P3", testing::DisplayP3Profile()},
        {"Adobe RGB", testing::AdobeRgbProfile()},
        {"ProPhoto", testing::ProPhotoProfile()},
    };
    Bytes grid;
    for (int r = 0; r < 256; r += 3) {
        for (int g = 0; g < 256; g += 3) {
            for (int b = 0; b < 256; b += 3) {
                grid.insert(grid.end(), {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                         static_cast<std::uint8_t>(b)});
            }
        }
    }
    const std::size_t count = grid.size() / 3;
    for (const auto& c : cases) {
        cmsHPROFILE source = cmsOpenProfileFromMem(c.profile.data(), static_cast<cmsUInt32Number>(c.profile.size()));
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_RGB_8, srgb, TYPE_RGB_8,
                                                     INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_BLACKPOINTCOMPENSATION);
        Bytes byLcms(grid.size());
        cmsDoTransform(transform, grid.data(), byLcms.data(), static_cast<cmsUInt32Number>(count));
        cmsDeleteTransform(transform);
        cmsCloseProfile(srgb);
        cmsCloseProfile(source);

        const SrgbConversion conversion = SrgbConversion::ForRgb(c.profile);
        ASSERT_FALSE(conversion.IsNone()) << c.name;
        Bytes converted(grid.size());
        conversion.Convert(grid.data(), converted.data(), count);
        int worst = 0;
        for (std::size_t i = 0; i < grid.size(); ++i) worst = std::max(worst, std::abs(converted[i] - byLcms[i]));
        EXPECT_LE(worst, 1) << c.name;
    }
}

// A row converts to the same bytes whichever pixels the loop takes together and whether it is
// converted in place: every run length modulo the loop's step, against pixel by pixel, with
// colours past sRGB's gamut on both sides, so that the clipping is taken at both ends.
TEST(ColourProfile, RowsConvertToTheSameBytesAtAnyLengthInPlaceOrNot) {
    Bytes pixels(3 * 4099);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>((i * 173 + i / 5 * 61) % 256);
    for (const Bytes& profile : {testing::DisplayP3Profile(), testing::AdobeRgbProfile(), testing::ProPhotoProfile()}) {
        const SrgbConversion conversion = SrgbConversion::ForRgb(profile);
        ASSERT_FALSE(conversion.IsNone());
        Bytes oneByOne(pixels.size());
        for (std::size_t i = 0; i < pixels.size(); i += 3) conversion.Convert(&pixels[i], &oneByOne[i], 1);

        Bytes outOfPlace(pixels.size());
        conversion.Convert(pixels.data(), outOfPlace.data(), pixels.size() / 3);
        EXPECT_TRUE(outOfPlace == oneByOne);
        for (std::size_t skipped = 1; skipped <= 3; ++skipped) {
            Bytes row = pixels;
            std::uint8_t* from = row.data() + 3 * skipped;
            conversion.Convert(from, from, pixels.size() / 3 - skipped);
            EXPECT_TRUE(std::equal(row.begin() + 3 * skipped, row.end(), oneByOne.begin() + 3 * skipped)) << skipped;
        }
    }
}

// The files of a batch share their profile's conversion, made once, from any thread; the cache
// tells a profile read as RGB from the same bytes read as CMYK, and keeps only a few profiles.
TEST(ColourProfile, CacheSharesConversionsAcrossThreadsAndStaysBounded) {
    const Bytes p3 = testing::DisplayP3Profile();
    const Bytes pixels = {187, 105, 61, 255, 255, 255, 0, 0, 0, 10, 200, 30};
    Bytes expected(pixels.size());
    SrgbConversion::ForRgb(p3).Convert(pixels.data(), expected.data(), pixels.size() / 3);
    ASSERT_NE(expected, pixels);

    SrgbConversionCache cache(2);
    constexpr int kThreads = 4;
    std::vector<Bytes> converted(kThreads, Bytes(pixels.size()));
    {
        std::latch start(kThreads);
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                cache.ForRgb(p3).Convert(pixels.data(), converted[t].data(), pixels.size() / 3);
            });
        }
    }
    for (const Bytes& c : converted) EXPECT_EQ(c, expected);
    EXPECT_EQ(cache.Size(), 1u);

    const Bytes cmyk = testing::TintedCmykProfile();
    EXPECT_TRUE(cache.ForRgb(cmyk).IsNone());
    const std::uint8_t cyanInk[4] = {255, 0, 0, 0};
    std::uint8_t cyan[3] = {};
    cache.ForCmyk(cmyk, false).Convert(cyanInk, cyan, 1);
    EXPECT_TRUE(ColorsClose(RGBColor(cyan[0], cyan[1], cyan[2]), testing::kTintCyan, 3));
    EXPECT_EQ(cache.Size(), 2u);
}

TEST(ColourProfile, UntaggedAndSrgbTaggedPicturesDecodeAsBefore) {
    const Bytes plain = EncodeJpeg(testing::MakePhotoLike(47, 33, 5));
    const TBitmap untagged = Decoded(plain);
    const Bytes profiles[] = {testing::SrgbProfile(), testing::SrgbProfileFromPrimaries()};
    for (const Bytes& profile : profiles) {
        EXPECT_EQ(FirstDifference(Decoded(testing::WithIccProfile(plain, profile)), untagged), -1)
            << profile.size() << "-byte sRGB profile";
    }
}

TEST(ColourProfile, CmykAndYcckComeOutThroughTheirProfileOrTheFormula) {
    constexpr int kBlockPx = 16;
    // No ink, cyan, magenta with yellow, black.
    const std::array<std::array<std::uint8_t, 4>, 4> blocks = {
        {{0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 255, 0}, {0, 0, 0, 255}}};
    Bytes inks;
    for (int y = 0; y < kBlockPx; ++y) {
        for (const auto& ink : blocks) {
            for (int x = 0; x < kBlockPx; ++x) inks.insert(inks.end(), ink.begin(), ink.end());
        }
    }
    const ColorValue byFormula[] = {kColorWhite, RGBColor(0, 255, 255), RGBColor(255, 0, 0), kColorBlack};
    // Magenta (220, 0, 120) over yellow (250, 220, 0) leaves 220 × 250 / 255 of red.
    const ColorValue byProfile[] = {kColorWhite, testing::kTintCyan, RGBColor(216, 0, 0), kColorBlack};
    const Bytes profile = testing::TintedCmykProfile();
    struct Case {
        const char* name;
        bool isYcck;
        bool isInverted;
        bool hasProfile;
    };
    const Case cases[] = {
        {"CMYK", false, false, false},
        {"CMYK inverted", false, true, false},
        {"YCCK", true, true, false},
        {"CMYK with profile", false, false, true},
        {"CMYK inverted with profile", false, true, true},
        {"YCCK with profile", true, true, true},
    };
    for (const Case& c : cases) {
        const Bytes file = testing::EncodeInkJpeg(4 * kBlockPx, kBlockPx, inks, c.isYcck, c.isInverted,
                                                  c.hasProfile ? profile : Bytes());
        const TBitmap picture = Decoded(file);
        ASSERT_EQ(picture.Width(), 4 * kBlockPx) << c.name;
        for (int i = 0; i < 4; ++i) {
            const ColorValue expected = c.hasProfile ? byProfile[i] : byFormula[i];
            EXPECT_TRUE(ColorsClose(BlockCentre(picture, i, kBlockPx), expected, 3))
                << c.name << ", block " << i << ": " << Hex(BlockCentre(picture, i, kBlockPx));
        }
        // A CMYK profile cannot describe an RGB result: keeping profiles converts CMYK all the same.
        EXPECT_EQ(FirstDifference(Decoded(file, ProfileHandling::Keep), picture), -1) << c.name;
    }
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

TEST(ColourProfile, BrokenProfilesAreNoProfile) {
    const Bytes plain = EncodeJpeg(testing::MakePhotoLike(31, 17, 6));
    const TBitmap untagged = Decoded(plain);
    const Bytes p3 = testing::DisplayP3Profile();

    // The tag table follows the 128-byte header: a count, then signature, offset, size per tag.
    const std::uint32_t tagCount = p3[128] << 24 | p3[129] << 16 | p3[130] << 8 | p3[131];
    ASSERT_GT(tagCount, 0u);
    Bytes offsetsPastEnd = p3;
    Bytes sizesPastEnd = p3;
    for (std::uint32_t i = 0; i < tagCount; ++i) {
        Put32(offsetsPastEnd, 132 + 12 * i + 4, 0xFFFFFF00u);
        Put32(sizesPastEnd, 132 + 12 * i + 8, 0x7FFFFFF0u);
    }
    const std::vector<Bytes> chunks = testing::IccChunkPayloads(p3, 100);
    ASSERT_GT(chunks.size(), 2u);
    std::vector<Bytes> chunkMissing = chunks;
    chunkMissing.erase(chunkMissing.begin() + 1);
    std::vector<Bytes> numberedPastCount = chunks;
    numberedPastCount.back()[12] = static_cast<std::uint8_t>(chunks.size() + 1);
    std::vector<Bytes> countOfZero = chunks;
    for (Bytes& chunk : countOfZero) chunk[13] = 0;

    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"cut in half", testing::WithIccProfile(plain, Bytes(p3.begin(), p3.begin() + p3.size() / 2))},
        {"cut inside its header", testing::WithIccProfile(plain, Bytes(p3.begin(), p3.begin() + 60))},
        {"tag offsets past the end", testing::WithIccProfile(plain, offsetsPastEnd)},
        {"tag sizes past the end", testing::WithIccProfile(plain, sizesPastEnd)},
        {"not a profile", testing::WithIccProfile(plain, Bytes(400, 0x5A))},
        {"a chunk missing", testing::WithApp2(plain, chunkMissing)},
        {"a chunk numbered past the count", testing::WithApp2(plain, numberedPastCount)},
        {"a count of zero", testing::WithApp2(plain, countOfZero)},
        {"a chunk with no header", testing::WithApp2(plain, {Bytes{'I', 'C', 'C'}})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstDifference(Decoded(c.file), untagged), -1) << c.name;
        // Nor is a broken profile passed on to a result.
        const JpegHeader header = ReadJpegHeader(c.file.data(), c.file.size());
        EXPECT_TRUE(ProfileToKeep(JpegColours::Rgb, header.IccProfile).empty()) << c.name;
    }
}

}  // namespace
}  // namespace stampwise

namespace stampwise {
namespace {

// A grey profile with the tone curve (freed here), as other software writes its grey profiles.
Bytes GreyProfile(cmsToneCurve* curve) {
    Bytes bytes = testing::SavedProfile(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return bytes;
}

double SrgbEncoded(double linear) {
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

// Each grey level goes through its profile's curve to light and back out on sRGB's curve; a grey
// with sRGB's curve changes nothing. Kept, the levels stay as stored and the result gets an RGB
// profile that puts every grey where the grey profile puts it.
TEST(ColourProfile, GreyPicturesComeOutOnSrgbsCurveAndStayGrey) {
    const Bytes file = testing::EncodeWithLibjpeg(testing::MakePhotoLike(29, 19, 8), false, true);
    const TBitmap untagged = Decoded(file);
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    const struct {
        const char* name;
        Bytes profile;
        double gamma;  // 0: sRGB's curve
    } cases[] = {
        {"gamma 1.8", GreyProfile(cmsBuildGamma(nullptr, 1.8)), 1.8},
        {"linear", GreyProfile(cmsBuildGamma(nullptr, 1.0)), 1.0},
        {"sRGB's curve", GreyProfile(cmsBuildParametricToneCurve(nullptr, 4, srgbCurve)), 0},
    };
    for (const auto& c : cases) {
        const Bytes tagged = testing::WithIccProfile(file, c.profile);
        const TBitmap converted = Decoded(tagged);
        EXPECT_EQ(FirstDifference(Decoded(tagged, ProfileHandling::Keep), untagged), -1) << c.name;
        if (c.gamma == 0) {
            EXPECT_EQ(FirstDifference(converted, untagged), -1) << c.name;
            continue;
        }
        int worst = 0;
        for (int y = 0; y < untagged.Height(); ++y) {
            for (int x = 0; x < untagged.Width(); ++x) {
                const int stored = RedOf(untagged.PixelAt(x, y));
                const ColorValue out = converted.PixelAt(x, y);
                ASSERT_TRUE(RedOf(out) == GreenOf(out) && GreenOf(out) == BlueOf(out)) << c.name;
                const double expected = 255 * SrgbEncoded(std::pow(stored / 255.0, c.gamma));
                worst = std::max(worst, static_cast<int>(std::lround(std::fabs(RedOf(out) - expected))));
            }
        }
        EXPECT_LE(worst, 1) << c.name;

        const Bytes kept = ProfileToKeep(JpegColours::Grey, c.profile);
        cmsHPROFILE rgb = cmsOpenProfileFromMem(kept.data(), static_cast<cmsUInt32Number>(kept.size()));
        ASSERT_NE(rgb, nullptr) << c.name;
        ASSERT_EQ(cmsGetColorSpace(rgb), cmsSigRgbData) << c.name;
        cmsHPROFILE grey = cmsOpenProfileFromMem(c.profile.data(), static_cast<cmsUInt32Number>(c.profile.size()));
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM fromRgb = cmsCreateTransform(rgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsHTRANSFORM fromGrey = cmsCreateTransform(grey, TYPE_GRAY_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        for (int v : {0, 16, 64, 128, 200, 255}) {
            const std::uint8_t asRgb[3] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                                           static_cast<std::uint8_t>(v)};
            const std::uint8_t asGrey = static_cast<std::uint8_t>(v);
            cmsCIELab viaRgb;
            cmsCIELab viaGrey;
            cmsDoTransform(fromRgb, asRgb, &viaRgb, 1);
            cmsDoTransform(fromGrey, &asGrey, &viaGrey, 1);
            EXPECT_LT(cmsDeltaE(&viaRgb, &viaGrey), 0.5) << c.name << ", level " << v;
        }
        cmsDeleteTransform(fromRgb);
        cmsDeleteTransform(fromGrey);
        cmsCloseProfile(lab);
        cmsCloseProfile(grey);
        cmsCloseProfile(rgb);
    }
}

// A result passes on only a profile whose header declares the length it has: lcms itself opens one
// that declares more than there is.
TEST(ColourProfile, KeptProfilesDeclareTheirOwnLength) {
    const Bytes p3 = testing::DisplayP3Profile();
    EXPECT_EQ(ProfileToKeep(JpegColours::Rgb, p3), p3);
    Bytes declaringDouble = p3;
    Put32(declaringDouble, 0, static_cast<std::uint32_t>(2 * p3.size()));
    Bytes declaringHuge = p3;
    Put32(declaringHuge, 0, 0xFFFFFFF0u);
    Bytes padded = p3;
    padded.resize(p3.size() + 8, 0);
    for (const Bytes& profile : {declaringDouble, declaringHuge, padded}) {
        EXPECT_TRUE(ProfileToKeep(JpegColours::Rgb, profile).empty()) << profile.size();
    }
}

// The Exif block of a camera in Adobe RGB mode: ColorSpace in the Exif IFD and the interoperability
// index in the directory that the Exif IFD points to, little-endian. exifAt and interopAt, when
// not 0, replace the pointers.
Bytes CameraExif(std::uint16_t colorSpace, const char* index, std::uint32_t exifAt = 0,
                 std::uint32_t interopAt = 0) {
    const std::uint32_t exifIfd = testing::ExifDataOffset(1);
    const std::uint32_t interopIfd = exifIfd + 2 + 2 * 12 + 4;
    std::string data;
    const auto put16 = [&](std::uint32_t v) { data += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    const auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    const auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        put16(tag);
        put16(type);
        put32(count);
        put32(value);
    };
    put16(2);
    entry(0xA001, 3, 1, colorSpace);
    entry(0xA005, 4, 1, interopAt != 0 ? interopAt : interopIfd);
    put32(0);
    put16(1);
    std::uint32_t text = 0;
    std::memcpy(&text, index, 4);
    entry(0x0001, 2, 4, text);
    put32(0);
    return testing::ExifPayloadWithData(false, {{0x8769, 4, 1, exifAt != 0 ? exifAt : exifIfd}}, data);
}

// Marked as Adobe RGB by Exif alone, a picture comes out as one tagged with Adobe RGB; any other
// mark, a pointer that leads outside the block, or an embedded profile beside the mark, does not.
TEST(ColourProfile, ExifMarkedAdobeRgbIsReadAsAdobeRgbUnlessAProfileIsEmbedded) {
    const Bytes plain = EncodeJpeg(testing::MakePhotoLike(33, 21, 9));
    const TBitmap asAdobe = Decoded(testing::WithIccProfile(plain, testing::AdobeRgbProfile()));
    const TBitmap asP3 = Decoded(testing::WithIccProfile(plain, testing::DisplayP3Profile()));
    const TBitmap untagged = Decoded(plain);
    const struct {
        const char* name;
        Bytes file;
        const TBitmap* expected;
    } cases[] = {
        {"R03, uncalibrated", testing::WithApp1(plain, CameraExif(0xFFFF, "R03")), &asAdobe},
        {"R98, uncalibrated", testing::WithApp1(plain, CameraExif(0xFFFF, "R98")), &untagged},
        {"R03, sRGB", testing::WithApp1(plain, CameraExif(1, "R03")), &untagged},
        {"Exif IFD past the end", testing::WithApp1(plain, CameraExif(0xFFFF, "R03", 0xFFF0)), &untagged},
        {"interoperability IFD past the end", testing::WithApp1(plain, CameraExif(0xFFFF, "R03", 0, 0xFFF0)),
         &untagged},
        {"R03 beside Display P3",
         testing::WithIccProfile(testing::WithApp1(plain, CameraExif(0xFFFF, "R03")), testing::DisplayP3Profile()),
         &asP3},
    };
    for (const auto& c : cases) {
        const TBitmap picture = Decoded(c.file);
        int worst = 0;
        for (int y = 0; y < picture.Height(); ++y) {
            for (int x = 0; x < picture.Width(); ++x) {
                const ColorValue a = picture.PixelAt(x, y);
                const ColorValue b = c.expected->PixelAt(x, y);
                worst = std::max({worst, std::abs(RedOf(a) - RedOf(b)), std::abs(GreenOf(a) - GreenOf(b)),
                                  std::abs(BlueOf(a) - BlueOf(b))});
            }
        }
        EXPECT_LE(worst, 1) << c.name;
    }
    ASSERT_NE(FirstDifference(asAdobe, untagged), -1);
}

}  // namespace
}  // namespace stampwise
