// The failures of picture reading, writing and storage. Every picture operation reports failure by
// throwing one of these; the message is the text a user or a report row sees. Nothing here shows
// anything: callers decide (the batch records a row, a window shows a box).
#pragma once

#include <stdexcept>
#include <string>

namespace stampwise {

// Base of every picture failure.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A libjpeg error: "JPEG error #<code>" with the library's message code. A damaged picture that
// the caller refused carries the library's own warning text instead ("Premature end of JPEG file").
class EJPEG : public EImageError {
public:
    explicit EJPEG(int code);
    EJPEG(int code, const std::string& libraryText);
    int Code() const { return code_; }

private:
    int code_;
};

// "Cannot open file "<path>". <reason>"
class EFOpenError : public EImageError {
public:
    EFOpenError(const std::string& path, const std::string& reason);
};

// "Cannot create file "<path>". <reason>"
class EFCreateError : public EImageError {
public:
    EFCreateError(const std::string& path, const std::string& reason);
};

// "Bitmap image is not valid"
class EInvalidGraphic : public EImageError {
public:
    EInvalidGraphic();
};

// "Stream read error"
class EReadError : public EImageError {
public:
    EReadError();
};

// "Out of system resources": a picture too large to make (see kMaxPicturePixels) or storage that
// could not be had.
class EOutOfResources : public EImageError {
public:
    EOutOfResources();
};

// "Unknown picture file extension (.<ext>)"
class EUnknownExtension : public EImageError {
public:
    explicit EUnknownExtension(const std::string& extensionWithoutDot);
};

// The text of errno as the system words it, for the messages above.
std::string SystemErrorText(int errorNumber);

}  // namespace stampwise
