// Reading the orientation and credit tags from an Exif segment. Turning pixels as the orientation
// says is ExifOrientation.cpp's; writing a result's credit is ExifWriter.cpp's.
//
// The parser reads only IFD0 and only those tags, and the two directories below it that the colour
// space and the capture date live in; it never follows a pointer it has not checked against the
// segment's length, and gives up (as stored, no credit, no date) at the first thing it cannot read.
// It does not look at thumbnails, other sub-IFDs or any other tag.
#include "imaging/ExifReader.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace stampwise {

namespace {

constexpr std::uint8_t kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kEntryBytes = 12;

// The TIFF structure after the signature, read in its own byte order.
struct TiffBytes {
    const std::uint8_t* data;
    std::size_t size;
    bool isBigEndian;

    // Callers check at + 2 (or + 4) <= size first.
    std::uint16_t U16(std::size_t at) const {
        return isBigEndian ? static_cast<std::uint16_t>(data[at] << 8 | data[at + 1])
                           : static_cast<std::uint16_t>(data[at + 1] << 8 | data[at]);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t high = U16(at);
        const std::uint32_t low = U16(at + 2);
        return isBigEndian ? (high << 16 | low) : (low << 16 | high);
    }
};

// IFD0 of an Exif payload: where its entries start and how many there are, all of them inside
// the TIFF bytes; count 0 for a payload that is not Exif or whose directory does not fit (such a
// directory is not trusted at all, even in the entries that do).
struct Ifd0 {
    TiffBytes tiff{nullptr, 0, false};
    std::size_t firstEntry = 0;
    std::size_t entryCount = 0;
};

Ifd0 FindIfd0(const std::uint8_t* segment, std::size_t size) {
    constexpr std::size_t kSignatureBytes = sizeof kExifSignature;
    Ifd0 none;
    if (segment == nullptr || size < kSignatureBytes + 8) return none;
    if (std::memcmp(segment, kExifSignature, kSignatureBytes) != 0) return none;

    TiffBytes tiff{segment + kSignatureBytes, size - kSignatureBytes, false};
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M') {
        tiff.isBigEndian = true;
    } else if (!(tiff.data[0] == 'I' && tiff.data[1] == 'I')) {
        return none;
    }
    if (tiff.U16(2) != 42) return none;

    // Offsets are 32-bit and the segment at most 64 KiB, so these sums cannot overflow size_t.
    const std::size_t ifd = tiff.U32(4);
    if (ifd > tiff.size || tiff.size - ifd < 2) return none;
    const std::size_t entryCount = tiff.U16(ifd);
    const std::size_t firstEntry = ifd + 2;
    if ((tiff.size - firstEntry) / kEntryBytes < entryCount) return none;
    return Ifd0{tiff, firstEntry, entryCount};
}

constexpr std::uint16_t kArtistTag = 0x013B;
constexpr std::uint16_t kCopyrightTag = 0x8298;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeUtf8 = 129;  // Exif 3.0

// The text of the entry at entry: its bytes up to the count, where the count says they are,
// without the terminating NULs; empty when any of that cannot be read.
std::string ReadText(const TiffBytes& tiff, std::size_t entry) {
    const std::uint16_t type = tiff.U16(entry + 2);
    if (type != kTypeAscii && type != kTypeUtf8) return std::string();
    const std::size_t count = tiff.U32(entry + 4);
    // Four bytes or fewer sit in the value field itself; more are at the offset it holds.
    std::size_t at = entry + 8;
    if (count > 4) {
        at = tiff.U32(entry + 8);
        if (at > tiff.size || tiff.size - at < count) return std::string();
    }
    std::string text(reinterpret_cast<const char*>(tiff.data + at), count);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace

ExifCredit ReadExifCredit(const std::uint8_t* segment, std::size_t size) noexcept {
    ExifCredit credit;
    try {
        const Ifd0 ifd = FindIfd0(segment, size);
        bool hasArtist = false;
        bool hasCopyright = false;
        for (std::size_t i = 0; i < ifd.entryCount; ++i) {
            const std::size_t entry = ifd.firstEntry + i * kEntryBytes;
            const std::uint16_t tag = ifd.tiff.U16(entry);
            // The first of a tag given twice counts, as for the orientation.
            if (tag == kArtistTag && !std::exchange(hasArtist, true)) {
                credit.Artist = ReadText(ifd.tiff, entry);
            } else if (tag == kCopyrightTag && !std::exchange(hasCopyright, true)) {
                credit.Copyright = ReadText(ifd.tiff, entry);
            }
        }
    } catch (...) {
        return ExifCredit{};  // no memory for a text of at most 64 KiB: no credit, no failure
    }
    return credit;
}

Orientation ReadExifOrientation(const std::uint8_t* segment, std::size_t size) noexcept {
    const Ifd0 ifd = FindIfd0(segment, size);
    const TiffBytes& tiff = ifd.tiff;
    for (std::size_t i = 0; i < ifd.entryCount; ++i) {
        const std::size_t entry = ifd.firstEntry + i * kEntryBytes;
        if (tiff.U16(entry) != kOrientationTag) continue;
        if (tiff.U16(entry + 2) != kTypeShort || tiff.U32(entry + 4) != 1) return Orientation::AsStored;
        // A single SHORT sits in the first two bytes of the value field, in either byte order.
        const int value = tiff.U16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::AsStored;
    }
    return Orientation::AsStored;
}

// The Exif IFD's colour space and the interoperability index: two directories below IFD0, each
// found through a pointer that is checked against the segment before it is followed, and only
// those two tags read. A directory is never visited twice and there is no recursion: a pointer
// loop can lead nowhere but to the next fixed step.
namespace {

constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kInteropIfdTag = 0xA005;
constexpr std::uint16_t kColorSpaceTag = 0xA001;
constexpr std::uint16_t kInteropIndexTag = 0x0001;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;
constexpr std::uint16_t kUncalibrated = 0xFFFF;

// The entry of tag in a directory of the TIFF bytes, or 0 (no entry can start there).
std::size_t FindEntry(const Ifd0& ifd, std::uint16_t tag) {
    for (std::size_t i = 0; i < ifd.entryCount; ++i) {
        const std::size_t entry = ifd.firstEntry + i * kEntryBytes;
        if (ifd.tiff.U16(entry) == tag) return entry;
    }
    return 0;
}

// The directory a pointer entry (a single LONG or IFD) leads to; no entries when it does not fit.
Ifd0 FollowPointer(const Ifd0& from, std::uint16_t tag) {
    Ifd0 none{from.tiff, 0, 0};
    const std::size_t entry = FindEntry(from, tag);
    if (entry == 0) return none;
    const std::uint16_t type = from.tiff.U16(entry + 2);
    if ((type != kTypeLong && type != kTypeIfd) || from.tiff.U32(entry + 4) != 1) return none;
    const TiffBytes& tiff = from.tiff;
    const std::size_t ifd = tiff.U32(entry + 8);
    if (ifd > tiff.size || tiff.size - ifd < 2) return none;
    const std::size_t entryCount = tiff.U16(ifd);
    const std::size_t firstEntry = ifd + 2;
    if ((tiff.size - firstEntry) / kEntryBytes < entryCount) return none;
    return Ifd0{tiff, firstEntry, entryCount};
}

}  // namespace

bool IsExifAdobeRgb(const std::uint8_t* segment, std::size_t size) noexcept {
    const Ifd0 exif = FollowPointer(FindIfd0(segment, size), kExifIfdTag);
    const std::size_t colorSpace = FindEntry(exif, kColorSpaceTag);
    if (colorSpace == 0 || exif.tiff.U16(colorSpace + 2) != kTypeShort ||
        exif.tiff.U32(colorSpace + 4) != 1 || exif.tiff.U16(colorSpace + 8) != kUncalibrated) {
        return false;
    }
    const Ifd0 interop = FollowPointer(exif, kInteropIfdTag);
    const std::size_t index = FindEntry(interop, kInteropIndexTag);
    // "R03", with its NUL or without, sits in the value field itself.
    if (index == 0 || interop.tiff.U16(index + 2) != kTypeAscii) return false;
    const std::uint32_t count = interop.tiff.U32(index + 4);
    if (count != 3 && count != 4) return false;
    return std::memcmp(interop.tiff.data + index + 8, "R03", count) == 0;
}

// The capture date: three texts of the Exif IFD, each checked for its form.
namespace {

constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kOffsetTimeOriginalTag = 0x9011;
constexpr std::uint16_t kSubSecTimeOriginalTag = 0x9291;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether text has the form of pattern, where '9' stands for a digit and any other character
// stands for itself.
bool HasForm(const std::string& text, std::string_view pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == '9' ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
    }
    return true;
}

int TwoDigits(const std::string& text, std::size_t at) { return (text[at] - '0') * 10 + text[at + 1] - '0'; }

// A date as Exif writes it; cameras without a clock write blanks or zeros, which are no date.
bool IsDateTime(const std::string& text) {
    if (!HasForm(text, "9999:99:99 99:99:99")) return false;
    const int month = TwoDigits(text, 5);
    const int day = TwoDigits(text, 8);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && TwoDigits(text, 11) <= 23 &&
           TwoDigits(text, 14) <= 59 && TwoDigits(text, 17) <= 60;
}

bool IsOffset(const std::string& text) {
    return (HasForm(text, "+99:99") || HasForm(text, "-99:99")) && TwoDigits(text, 1) <= 14 &&
           TwoDigits(text, 4) <= 59;
}

bool IsSubSec(const std::string& text) {
    return !text.empty() && text.size() <= 9 && std::all_of(text.begin(), text.end(), IsDigit);
}

// The ASCII text of tag in the directory, trailing blanks dropped (Exif pads with them); empty
// when there is none.
std::string TextOf(const Ifd0& ifd, std::uint16_t tag) {
    const std::size_t entry = FindEntry(ifd, tag);
    if (entry == 0 || ifd.tiff.U16(entry + 2) != kTypeAscii) return std::string();
    std::string text = ReadText(ifd.tiff, entry);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

CaptureDate ReadExifCaptureDate(const std::uint8_t* segment, std::size_t size) noexcept {
    try {
        const Ifd0 exif = FollowPointer(FindIfd0(segment, size), kExifIfdTag);
        CaptureDate date;
        date.DateTime = TextOf(exif, kDateTimeOriginalTag);
        if (!IsDateTime(date.DateTime)) return CaptureDate{};
        date.Offset = TextOf(exif, kOffsetTimeOriginalTag);
        if (!IsOffset(date.Offset)) date.Offset.clear();
        date.SubSec = TextOf(exif, kSubSecTimeOriginalTag);
        if (!IsSubSec(date.SubSec)) date.SubSec.clear();
        return date;
    } catch (...) {
        return CaptureDate{};  // no memory for a few bytes: no date, no failure
    }
}

}  // namespace stampwise
