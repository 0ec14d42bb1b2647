// Writing the credit's Exif block. The layout is the smallest a reader accepts: the entries in tag
// order, each text after the directory with its terminating NUL, a text of four bytes or fewer in
// the entry's own value field.
#include "imaging/ExifWriter.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace stampwise {

namespace {

constexpr std::uint16_t kArtistTag = 0x013B;
constexpr std::uint16_t kCopyrightTag = 0x8298;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::size_t kEntryBytes = 12;
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

}  // namespace

std::vector<std::uint8_t> WriteExifCredit(const ExifCredit& credit, ResultMetadata kept) {
    if (kept == ResultMetadata::None || credit.Empty()) return {};
    struct Text {
        std::uint16_t Tag;
        const std::string* Bytes;
    };
    std::vector<Text> texts;
    if (!credit.Artist.empty()) texts.push_back({kArtistTag, &credit.Artist});
    if (!credit.Copyright.empty()) texts.push_back({kCopyrightTag, &credit.Copyright});

    constexpr std::size_t kTiffStart = 6;  // after "Exif\0\0"
    const std::size_t directoryBytes = 2 + texts.size() * kEntryBytes + 4;
    std::size_t total = kTiffStart + 8 + directoryBytes;
    for (const Text& t : texts) {
        if (t.Bytes->size() + 1 > 4) total += t.Bytes->size() + 1;
    }
    if (total > kMaxPayloadBytes) return {};

    std::vector<std::uint8_t> out(total, 0);
    const char header[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    std::copy(header, header + sizeof header, out.begin());
    Put16(out, kTiffStart + 2, 42);
    Put32(out, kTiffStart + 4, 8);  // IFD0 right after the TIFF header
    Put16(out, kTiffStart + 8, static_cast<std::uint32_t>(texts.size()));
    std::size_t entry = kTiffStart + 8 + 2;
    std::size_t value = kTiffStart + 8 + directoryBytes;  // the next IFD offset before it stays 0
    for (const Text& t : texts) {
        const std::size_t count = t.Bytes->size() + 1;
        Put16(out, entry, t.Tag);
        Put16(out, entry + 2, kTypeAscii);
        Put32(out, entry + 4, static_cast<std::uint32_t>(count));
        std::size_t at = entry + 8;
        if (count > 4) {
            Put32(out, entry + 8, static_cast<std::uint32_t>(value - kTiffStart));
            at = value;
            value += count;
        }
        std::copy(t.Bytes->begin(), t.Bytes->end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        entry += kEntryBytes;
    }
    return out;
}

}  // namespace stampwise
