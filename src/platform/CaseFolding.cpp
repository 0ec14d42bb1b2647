#include "platform/CaseFolding.h"

#include <cstdint>

namespace stampwise {

namespace {

// A run of code points that fold alike: every one by Delta, or, for IsPairs, every other one
// (capital and small alternate, the capital first) to the small letter after it.
struct FoldRun {
    char32_t First;
    char32_t Last;
    std::int32_t Delta;
    bool IsPairs;
};

// Sorted by First. Runs that are a single letter fold one letter to another across a block (the
// micro sign to Greek mu, long s to s, Greek symbol forms to their letters).
constexpr FoldRun kRuns[] = {
    {0x0041, 0x005A, 0x20, false},    {0x00B5, 0x00B5, 0x03BC - 0x00B5, false},
    {0x00C0, 0x00D6, 0x20, false},    {0x00D8, 0x00DE, 0x20, false},
    {0x0100, 0x012F, 1, true},        {0x0132, 0x0137, 1, true},
    {0x0139, 0x0148, 1, true},        {0x014A, 0x0177, 1, true},
    {0x0178, 0x0178, 0x00FF - 0x0178, false},
    {0x0179, 0x017E, 1, true},        {0x017F, 0x017F, 0x0073 - 0x017F, false},
    {0x0370, 0x0373, 1, true},        {0x0376, 0x0377, 1, true},
    {0x037F, 0x037F, 0x03F3 - 0x037F, false},
    {0x0386, 0x0386, 0x03AC - 0x0386, false},
    {0x0388, 0x038A, 0x03AD - 0x0388, false},
    {0x038C, 0x038C, 0x03CC - 0x038C, false},
    {0x038E, 0x038F, 0x03CD - 0x038E, false},
    {0x0391, 0x03A1, 0x20, false},    {0x03A3, 0x03AB, 0x20, false},
    {0x03C2, 0x03C2, 1, false},       {0x03CF, 0x03CF, 0x03D7 - 0x03CF, false},
    {0x03D0, 0x03D0, 0x03B2 - 0x03D0, false},
    {0x03D1, 0x03D1, 0x03B8 - 0x03D1, false},
    {0x03D5, 0x03D5, 0x03C6 - 0x03D5, false},
    {0x03D6, 0x03D6, 0x03C0 - 0x03D6, false},
    {0x03D8, 0x03EF, 1, true},        {0x03F0, 0x03F0, 0x03BA - 0x03F0, false},
    {0x03F1, 0x03F1, 0x03C1 - 0x03F1, false},
    {0x03F4, 0x03F4, 0x03B8 - 0x03F4, false},
    {0x03F5, 0x03F5, 0x03B5 - 0x03F5, false},
    {0x03F7, 0x03F7, 1, false},       {0x03F9, 0x03F9, 0x03F2 - 0x03F9, false},
    {0x03FA, 0x03FA, 1, false},       {0x03FD, 0x03FF, 0x037B - 0x03FD, false},
    {0x0400, 0x040F, 0x50, false},    {0x0410, 0x042F, 0x20, false},
    {0x0460, 0x0481, 1, true},        {0x048A, 0x04BF, 1, true},
    {0x04C0, 0x04C0, 0x04CF - 0x04C0, false},
    {0x04C1, 0x04CE, 1, true},        {0x04D0, 0x052F, 1, true},
};

void AppendUtf8(std::string& out, char32_t letter) {
    if (letter < 0x80) {
        out += static_cast<char>(letter);
    } else {
        // Every folded letter of the table is below U+0800: two bytes.
        out += static_cast<char>(0xC0 | (letter >> 6));
        out += static_cast<char>(0x80 | (letter & 0x3F));
    }
}

}  // namespace

char32_t FoldCase(char32_t letter) {
    for (const FoldRun& run : kRuns) {
        if (letter < run.First) break;
        if (letter > run.Last) continue;
        if (run.IsPairs && (letter - run.First) % 2 != 0) return letter;
        return static_cast<char32_t>(static_cast<std::int32_t>(letter) + run.Delta);
    }
    return letter;
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte < 0x80) {
            AppendUtf8(folded, FoldCase(static_cast<char32_t>(byte)));
        } else if (byte >= 0xC2 && byte <= 0xDF && (next & 0xC0) == 0x80) {
            // Two bytes hold every letter the table folds; longer sequences pass unchanged.
            const auto letter = static_cast<char32_t>(((byte & 0x1F) << 6) | (next & 0x3F));
            AppendUtf8(folded, FoldCase(letter));
            ++i;
        } else {
            folded += static_cast<char>(byte);
        }
    }
    return folded;
}

}  // namespace stampwise
