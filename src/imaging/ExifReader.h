// Reading a JPEG file's Exif block: the orientation (ExifOrientation.h says what it means), the
// photographer's credit and the capture date, which results carry on (ExifWriter.h writes them).
// Nothing else of the block is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/ExifOrientation.h"

namespace stampwise {

// The orientation in an APP1 segment's payload (the bytes after the marker's length field, starting
// with "Exif\0\0"), in either byte order. Every offset and count is checked against size; anything
// unreadable (not Exif, cut short, no tag, a tag of the wrong type or count, a value outside 1..8)
// gives Orientation::AsStored, so a broken tag never fails a file.
Orientation ReadExifOrientation(const std::uint8_t* segment, std::size_t size) noexcept;

// The IFD0 tags Artist (0x013B) and Copyright (0x8298): the bytes as found (ASCII, or UTF-8 where a
// writer put it there, passed on as they are), without the terminating NUL; a copyright of
// photographer and editor keeps the NUL between them. Empty when absent.
struct ExifCredit {
    std::string Artist;
    std::string Copyright;
    bool Empty() const { return Artist.empty() && Copyright.empty(); }
    friend bool operator==(const ExifCredit&, const ExifCredit&) = default;
};

// The credit in an APP1 payload, read as carefully as the orientation: a tag that cannot be read
// whole (cut short, its value past the end, a type other than ASCII or UTF-8) is left out, and
// nothing else of the block is looked at.
ExifCredit ReadExifCredit(const std::uint8_t* segment, std::size_t size) noexcept;

// Whether an APP1 payload marks the picture as Adobe RGB the way the DCF rule has cameras do it:
// the Exif IFD's ColorSpace (0xA001) is 0xFFFF, uncalibrated, and the interoperability index (tag
// 1 of the IFD that the Exif IFD's tag 0xA005 points to) is "R03". "R98", a ColorSpace of 1 (sRGB),
// anything missing or unreadable: false. Read as carefully as the orientation.
bool IsExifAdobeRgb(const std::uint8_t* segment, std::size_t size) noexcept;

// When the picture was taken, as the Exif IFD (the one IFD0's tag 0x8769 points to) holds it:
// DateTimeOriginal (0x9003, "YYYY:MM:DD HH:MM:SS"), OffsetTimeOriginal (0x9011, "+HH:MM" or
// "-HH:MM", the offset from UTC) and SubSecTimeOriginal (0x9291, up to nine digits of a second),
// without their NULs. A value that is not in its form is left out; the offset and the fraction
// only qualify a date, so without one they are left out too. Empty when there is no date.
struct CaptureDate {
    std::string DateTime;
    std::string Offset;
    std::string SubSec;
    bool Empty() const { return DateTime.empty(); }
    friend bool operator==(const CaptureDate&, const CaptureDate&) = default;
};

// The capture date in an APP1 payload, read as carefully as the orientation.
CaptureDate ReadExifCaptureDate(const std::uint8_t* segment, std::size_t size) noexcept;

}  // namespace stampwise
