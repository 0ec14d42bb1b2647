// Reading a picture by its file name's extension, for the preview of the file list. The extension
// is compared in lower case, so "photo.JPG" reads as a JPEG. Icons and metafiles are known
// extensions that this system never reads; they fail as pictures that cannot be made.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "imaging/ImageErrors.h"
#include "imaging/JpegImage.h"

namespace stampwise {

TBitmap ReadPictureFile(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::string lower = extension;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    TBitmap bitmap;
    if (lower == "jpg" || lower == "jpeg") {
        TJPEGImage jpeg;
        jpeg.ReadFromFile(path);
        bitmap.AssignJpeg(jpeg);
    } else if (lower == "bmp") {
        bitmap.ReadBmpFile(path);
    } else if (lower == "ico" || lower == "emf" || lower == "wmf") {
        throw EInvalidGraphic();
    } else {
        throw EUnknownExtension(lower);
    }
    return bitmap;
}

}  // namespace stampwise
