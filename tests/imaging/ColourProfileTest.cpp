// Pictures come out of the decoder in sRGB: a wide-gamut tagged picture converted through its
// profile, CMYK and YCCK through theirs or the plain formula; untagged and sRGB-tagged pictures
// exactly as before, and a profile that is broken in any way as if there were none.
#include "imaging/ColourProfile.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <array>
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
