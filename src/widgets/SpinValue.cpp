#include "widgets/SpinValue.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace stampwise {

int SpinValueOf(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // from_chars takes a "-" but not a "+", and a sign on its own is no number.
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return 0;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) return 0;
    return value;
}

std::string SpinArrowText(const std::string& text, int step, int direction) {
    const std::int64_t next = static_cast<std::int64_t>(SpinValueOf(text)) +
                              static_cast<std::int64_t>(step) * direction;
    constexpr std::int64_t kLowest = std::numeric_limits<int>::min();
    constexpr std::int64_t kHighest = std::numeric_limits<int>::max();
    const std::int64_t clamped = next < kLowest ? kLowest : (next > kHighest ? kHighest : next);
    return std::to_string(clamped);
}

}  // namespace stampwise
