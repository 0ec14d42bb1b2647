// The messages of the picture failures. They are shown as they stand (in a report row or an error
// box), so their wording is fixed.
#include "imaging/ImageErrors.h"

#include <system_error>

namespace stampwise {

EJPEG::EJPEG(int code, const std::string& libraryText, JpegDataFault fault)
    : EJPEG("JPEG error #" + std::to_string(code), code, libraryText, fault, false) {}

EJPEG::EJPEG(const std::string& message, int code, const std::string& libraryText,
             JpegDataFault fault, bool isRefusal)
    : EImageError(message), code_(code), libraryText_(libraryText), fault_(fault), isRefusal_(isRefusal) {}

EJPEG EJPEG::Refused(int warningCode, const std::string& warningText, JpegDataFault fault) {
    return EJPEG(warningText, warningCode, warningText, fault, true);
}

EFOpenError::EFOpenError(const std::string& path, int errorNumber)
    : EImageError("Cannot open file \"" + path + "\". " + SystemErrorText(errorNumber), errorNumber) {}

EFOpenError::EFOpenError(const std::string& path, const std::string& reason)
    : EImageError("Cannot open file \"" + path + "\". " + reason) {}

ENotRegularFile::ENotRegularFile(const std::string& path)
    : EFOpenError(path, std::string("Not a regular file")) {}

EFCreateError::EFCreateError(const std::string& path, int errorNumber)
    : EImageError("Cannot create file \"" + path + "\". " + SystemErrorText(errorNumber), errorNumber) {}

EFCreateError::EFCreateError(const std::string& path, const std::string& reason)
    : EImageError("Cannot create file \"" + path + "\". " + reason) {}

EInvalidGraphic::EInvalidGraphic() : EImageError("Bitmap image is not valid") {}

EReadError::EReadError() : EImageError("Stream read error") {}

EReadError::EReadError(int errorNumber)
    : EImageError("Stream read error. " + SystemErrorText(errorNumber), errorNumber) {}

EOutOfResources::EOutOfResources() : EImageError("Out of system resources") {}

EUnknownExtension::EUnknownExtension(const std::string& extensionWithoutDot)
    : EImageError("Unknown picture file extension (." + extensionWithoutDot + ")") {}

// generic_category gives strerror's wording without strerror's shared buffer.
std::string SystemErrorText(int errorNumber) {
    return std::error_code(errorNumber, std::generic_category()).message();
}

}  // namespace stampwise
