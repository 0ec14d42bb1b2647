#include "widgets/SpinValue.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace stampwise {
namespace {

TEST(SpinValueOf, ReadsDecimalWithAnOptionalSign) {
    EXPECT_EQ(SpinValueOf("800"), 800);
    EXPECT_EQ(SpinValueOf("0800"), 800);
    EXPECT_EQ(SpinValueOf("-25"), -25);
    EXPECT_EQ(SpinValueOf("+25"), 25);
    EXPECT_EQ(SpinValueOf("0"), 0);
}

TEST(SpinValueOf, AnyOtherTextIsZero) {
    for (const std::string text : {"", "abc", "12px", "1 2", " 800", "800 ", "-", "+", "+-5", "--5",
                                   "0x10", "$10", "1e3", "12.5", "８００"}) {
        EXPECT_EQ(SpinValueOf(text), 0) << "'" << text << "'";
    }
}

TEST(SpinValueOf, AnIntegerBeyondTheIntRangeIsZero) {
    EXPECT_EQ(SpinValueOf("2147483647"), std::numeric_limits<int>::max());
    EXPECT_EQ(SpinValueOf("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(SpinValueOf("2147483648"), 0);
    EXPECT_EQ(SpinValueOf("99999999999999999999"), 0);
}

TEST(SpinArrowText, StepsTheValueAndWritesPlainDecimal) {
    EXPECT_EQ(SpinArrowText("100", 10, +1), "110");
    EXPECT_EQ(SpinArrowText("100", 10, -1), "90");
    EXPECT_EQ(SpinArrowText("0800", 10, +1), "810");
    EXPECT_EQ(SpinArrowText("5", 10, -1), "-5");
    EXPECT_EQ(SpinArrowText("100", 10, +3), "130");  // a page step is several steps
}

TEST(SpinArrowText, TextThatIsNotANumberStepsFromZero) {
    EXPECT_EQ(SpinArrowText("abc", 10, +1), "10");
    EXPECT_EQ(SpinArrowText("", 10, -1), "-10");
}

TEST(SpinArrowText, SaturatesInsteadOfWrapping) {
    EXPECT_EQ(SpinArrowText("2147483640", 10, +1), "2147483647");
    EXPECT_EQ(SpinArrowText("-2147483640", 10, -1), "-2147483648");
}

}  // namespace
}  // namespace stampwise
