// Writing the result's Exif block. The layout is the smallest a reader accepts: the entries of a
// directory in tag order, a value of four bytes or fewer in the entry's own value field, longer
// ones after their directory. The credit's texts follow IFD0 as they always have; the Exif IFD
// and its values start on even offsets, as TIFF asks.
#include "imaging/ExifWriter.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace stampwise {

namespace {

constexpr std::uint16_t kArtistTag = 0x013B;
constexpr std::uint16_t kCopyrightTag = 0x8298;
constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kExifVersionTag = 0x9000;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kOffsetTimeOriginalTag = 0x9011;
constexpr std::uint16_t kSubSecTimeOriginalTag = 0x9291;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::size_t kEntryBytes = 12;
constexpr std::size_t kTiffStart = 6;  // after "Exif\0\0"
// A marker segment's length field counts itself: 65535 − 2 bytes are left for the payload.
constexpr std::size_t kMaxPayloadBytes = 65533;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

// One entry to write: its tag, its type, and its value's bytes (a text with its NUL).
struct Field {
    std::uint16_t Tag;
    std::uint16_t Type;
    std::string Value;
};

Field Text(std::uint16_t tag, const std::string& text) { return Field{tag, kTypeAscii, text + '\0'}; }

std::size_t DirectoryBytes(std::size_t entries) { return 2 + entries * kEntryBytes + 4; }

// Where the values of a directory at start go, each longer than four bytes after the one before
// (on an even offset when isAligned); returns the offset past the last.
std::size_t PlaceValues(const std::vector<Field>& fields, std::size_t start, bool isAligned,
                        std::vector<std::size_t>& places) {
    std::size_t next = start + DirectoryBytes(fields.size());
    for (const Field& f : fields) {
        places.push_back(0);
        if (f.Value.size() <= 4) continue;
        if (isAligned) next += next & 1;
        places.back() = next;
        next += f.Value.size();
    }
    return next;
}

void WriteDirectory(std::vector<std::uint8_t>& out, std::size_t start, const std::vector<Field>& fields,
                    const std::vector<std::size_t>& places) {
    Put16(out, kTiffStart + start, static_cast<std::uint32_t>(fields.size()));
    std::size_t entry = kTiffStart + start + 2;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        Put16(out, entry, f.Tag);
        Put16(out, entry + 2, f.Type);
        // The count of a text or of undefined bytes is its length; a pointer is one LONG.
        Put32(out, entry + 4, f.Type == kTypeLong ? 1 : static_cast<std::uint32_t>(f.Value.size()));
        std::size_t at = entry + 8;
        if (f.Value.size() > 4) {
            Put32(out, entry + 8, static_cast<std::uint32_t>(places[i]));
            at = kTiffStart + places[i];
        }
        std::copy(f.Value.begin(), f.Value.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        entry += kEntryBytes;
    }
    // The next directory's offset stays 0.
}

std::vector<std::uint8_t> Write(const std::vector<Field>& credit, const std::vector<Field>& dateFields) {
    std::vector<Field> ifd0 = credit;
    if (!dateFields.empty()) ifd0.push_back(Field{kExifIfdTag, kTypeLong, std::string(4, '\0')});
    if (ifd0.empty()) return {};
    std::vector<std::size_t> places0;
    std::size_t end = PlaceValues(ifd0, 8, false, places0);  // IFD0 right after the TIFF header
    std::vector<std::size_t> placesExif;
    const std::size_t exifIfd = end + (end & 1);
    if (!dateFields.empty()) end = PlaceValues(dateFields, exifIfd, true, placesExif);
    if (kTiffStart + end > kMaxPayloadBytes) return {};

    std::vector<std::uint8_t> out(kTiffStart + end, 0);
    const char header[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    std::copy(header, header + sizeof header, out.begin());
    Put16(out, kTiffStart + 2, 42);
    Put32(out, kTiffStart + 4, 8);
    if (!dateFields.empty()) {
        for (int k = 0; k < 4; ++k) ifd0.back().Value[k] = static_cast<char>(exifIfd >> 8 * k);
    }
    WriteDirectory(out, 8, ifd0, places0);
    if (!dateFields.empty()) WriteDirectory(out, exifIfd, dateFields, placesExif);
    return out;
}

}  // namespace

std::vector<std::uint8_t> WriteResultExif(const ExifCredit& credit, const CaptureDate& date,
                                          ResultMetadata kept) {
    std::vector<Field> creditFields;
    if (kept.Credit) {
        if (!credit.Artist.empty()) creditFields.push_back(Text(kArtistTag, credit.Artist));
        if (!credit.Copyright.empty()) creditFields.push_back(Text(kCopyrightTag, credit.Copyright));
    }
    std::vector<Field> dateFields;
    if (kept.Date && !date.Empty()) {
        dateFields.push_back(Field{kExifVersionTag, kTypeUndefined, "0232"});
        dateFields.push_back(Text(kDateTimeOriginalTag, date.DateTime));
        if (!date.Offset.empty()) dateFields.push_back(Text(kOffsetTimeOriginalTag, date.Offset));
        if (!date.SubSec.empty()) dateFields.push_back(Text(kSubSecTimeOriginalTag, date.SubSec));
    }
    std::vector<std::uint8_t> block = Write(creditFields, dateFields);
    // A credit too long for the segment is left out, not the date with it.
    if (block.empty() && !creditFields.empty()) block = Write({}, dateFields);
    return block;
}

}  // namespace stampwise
