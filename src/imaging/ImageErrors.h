// The failures of picture reading, writing and storage. Every picture operation reports failure by
// throwing one of these; the message is the text a user or a report row sees. Nothing here shows
// anything: callers decide (the batch records a row, a window shows a box).
#pragma once

#include <stdexcept>
#include <string>

namespace stampwise {

// Base of every picture failure. ErrorNumber() is the system's errno behind it, 0 when there is
// none, so that a reader of the failure (the batch's words for it) can say what happened.
class EImageError : public std::runtime_error {
public:
    explicit EImageError(const std::string& message, int errorNumber = 0)
        : std::runtime_error(message), errorNumber_(errorNumber) {}
    int ErrorNumber() const { return errorNumber_; }

private:
    int errorNumber_;
};

// What was wrong with a JPEG file's data, beyond the library's message code.
enum class JpegDataFault {
    None,       // the library refused the file for another reason (no JPEG, unsupported, …)
    EndsEarly,  // the data ran out before the picture was complete
    Damaged,    // the entropy-coded data is broken
};

// A libjpeg error: "JPEG error #<code>" with the library's message code, and the library's own
// words in LibraryText(). A damaged picture that the caller refused (Refused()) carries the
// library's warning as its message instead ("Premature end of JPEG file").
class EJPEG : public EImageError {
public:
    explicit EJPEG(int code, const std::string& libraryText = std::string(),
                   JpegDataFault fault = JpegDataFault::None);
    static EJPEG Refused(int warningCode, const std::string& warningText, JpegDataFault fault);

    int Code() const { return code_; }
    const std::string& LibraryText() const { return libraryText_; }
    JpegDataFault Fault() const { return fault_; }
    bool IsRefusal() const { return isRefusal_; }

private:
    EJPEG(const std::string& message, int code, const std::string& libraryText, JpegDataFault fault,
          bool isRefusal);

    int code_;
    std::string libraryText_;
    JpegDataFault fault_;
    bool isRefusal_;
};

// "Cannot open file "<path>". <reason>", the reason being the system's words for errorNumber.
class EFOpenError : public EImageError {
public:
    EFOpenError(const std::string& path, int errorNumber);
    EFOpenError(const std::string& path, const std::string& reason);
};

// "Cannot open file "<path>". Not a regular file": a FIFO, a device, a socket, refused unread,
// since reading one may block for ever or never end.
class ENotRegularFile : public EFOpenError {
public:
    explicit ENotRegularFile(const std::string& path);
};

// "Cannot create file "<path>". <reason>"
class EFCreateError : public EImageError {
public:
    EFCreateError(const std::string& path, int errorNumber);
    EFCreateError(const std::string& path, const std::string& reason);
};

// "Bitmap image is not valid"
class EInvalidGraphic : public EImageError {
public:
    EInvalidGraphic();
};

// "Stream read error": data shorter than it says; with an errorNumber, a read that the system
// refused, "Stream read error. <reason>".
class EReadError : public EImageError {
public:
    EReadError();
    explicit EReadError(int errorNumber);
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
