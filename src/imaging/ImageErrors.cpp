// The messages of the picture failures. They are shown as they stand (in a report row or an error
// box), so their wording is fixed.
#include "imaging/ImageErrors.h"

#include <system_error>

namespace stampwise {

EJPEG::EJPEG(int code) : EImageError("JPEG error #" + std::to_string(code)), code_(code) {}

EJPEG::EJPEG(int code, const std::string& libraryText) : EImageError(libraryText), code_(code) {}

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : EImageError("Cannot open file \"" + path + "\". " + reason) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : EImageError("Cannot create file \"" + path + "\". " + reason) {}

EInvalidGraphic::EInvalidGraphic() : EImageError("Bitmap image is not valid") {}

EReadError::EReadError() : EImageError("Stream read error") {}

EOutOfResources::EOutOfResources() : EImageError("Out of system resources") {}

EUnknownExtension::EUnknownExtension(const std::string& extensionWithoutDot)
    : EImageError("Unknown picture file extension (." + extensionWithoutDot + ")") {}

// generic_category gives strerror's wording without strerror's shared buffer.
std::string SystemErrorText(int errorNumber) {
    return std::error_code(errorNumber, std::generic_category()).message();
}

}  // namespace stampwise
