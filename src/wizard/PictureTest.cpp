#include "wizard/PictureTest.h"

namespace stampwise {

std::string PathExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return std::string();
    if (slash != std::string::npos && dot < slash) return std::string();
    return path.substr(dot);
}

bool IsAcceptedPicture(const std::string& path) {
    const std::string extension = PathExtension(path);
    if (extension.size() != 4) return false;
    // No character outside ASCII upper-cases to J, P or G in any locale, so comparing the ASCII
    // letters in both cases is the locale's upper-casing for this one extension.
    auto is = [](char c, char upper) { return c == upper || c == upper - 'A' + 'a'; };
    return extension[0] == '.' && is(extension[1], 'J') && is(extension[2], 'P') &&
           is(extension[3], 'G');
}

}  // namespace stampwise
