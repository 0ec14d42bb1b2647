// Simple case folding of the scripts a photo's name is written in, as a disk that does not tell
// case apart compares names.
#include "platform/CaseFolding.h"

#include <gtest/gtest.h>

#include <string>

namespace stampwise {
namespace {

TEST(CaseFolding, FoldsLatinGreekAndCyrillicCapitalsAndVariantForms) {
    EXPECT_EQ(FoldCase(std::string("IMG_Ёлка_ΣΟΦΊΑ_Ÿ_Ĳ_Ѣ.JPG")), "img_ёлка_σοφία_ÿ_ĳ_ѣ.jpg");
    // Variant forms fold with their letters: final sigma, long s, the micro sign.
    EXPECT_EQ(FoldCase(std::string("ς ſ µ")), "σ s μ");
    // Only one-letter foldings: sharp s and dotted capital I stay; so do other scripts.
    EXPECT_EQ(FoldCase(std::string("ß İ Ա 写真")), "ß İ Ա 写真");
}

TEST(CaseFolding, LeavesBytesOutsideWellFormedUtf8AsTheyAre) {
    // A lead byte without its continuation, then À, then a lead byte at the end.
    EXPECT_EQ(FoldCase(std::string("A\xD0\xC3\x80\xD0")), "a\xD0\xC3\xA0\xD0");
}

}  // namespace
}  // namespace stampwise
