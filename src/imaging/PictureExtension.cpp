#include "imaging/PictureExtension.h"

namespace stampwise {

std::string PathExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return std::string();
    if (slash != std::string::npos && dot < slash) return std::string();
    return path.substr(dot);
}

std::string UpperCaseExtension(const std::string& path) {
    std::string extension = PathExtension(path);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return extension;
}

bool HasJpgExtension(const std::string& path) { return UpperCaseExtension(path) == ".JPG"; }

}  // namespace stampwise
