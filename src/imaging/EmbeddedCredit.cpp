// Joining the credit of a file's segments: which segment is which, the order in which they count,
// and the checks every text of XMP or IPTC passes. The readers themselves are XmpCredit.cpp and
// IptcCredit.cpp; the Exif block's is ExifReader.cpp.
#include "imaging/EmbeddedCredit.h"

#include <cstring>
#include <utility>

namespace stampwise {

namespace {

constexpr int kApp1 = 0xE1;
constexpr int kApp13 = 0xED;

using credit_detail::StartsWith;

// "Exif" and its NUL: what ExifReader.h reads.
constexpr std::string_view kExifSignature{"Exif\0", 5};

}  // namespace

const AppSegment* FindExifSegment(std::span<const AppSegment> segments) noexcept {
    for (const AppSegment& segment : segments) {
        if (segment.Marker == kApp1 && StartsWith(segment.Payload, kExifSignature)) return &segment;
    }
    return nullptr;
}

SegmentMetadata ReadSegmentMetadata(std::span<const AppSegment> segments) noexcept {
    SegmentMetadata found;
    if (const AppSegment* exif = FindExifSegment(segments); exif != nullptr) {
        const std::uint8_t* data = exif->Payload.data();
        const std::size_t size = exif->Payload.size();
        found.Orientation = ReadExifOrientation(data, size);
        found.Date = ReadExifCaptureDate(data, size);
        found.IsExifAdobeRgb = IsExifAdobeRgb(data, size);
    }
    found.Credit = ReadEmbeddedCredit(segments);
    return found;
}

ExifCredit MergeCredit(ExifCredit first, const ExifCredit& rest) {
    if (first.Artist.empty()) first.Artist = rest.Artist;
    if (first.Copyright.empty()) first.Copyright = rest.Copyright;
    return first;
}

ExifCredit ReadEmbeddedCredit(std::span<const AppSegment> segments) noexcept {
    try {
        ExifCredit credit;
        if (const AppSegment* exif = FindExifSegment(segments); exif != nullptr) {
            credit = ReadExifCredit(exif->Payload.data(), exif->Payload.size());
        }
        // The first packet of each kind that gives anything; later ones (XMP's extension
        // segments, a second IPTC block) are not read.
        ExifCredit xmp;
        ExifCredit iptc;
        for (const AppSegment& segment : segments) {
            if (segment.Marker == kApp1 && xmp.Empty()) {
                xmp = ReadXmpCredit(segment.Payload);
            } else if (segment.Marker == kApp13 && iptc.Empty()) {
                iptc = ReadIptcCredit(segment.Payload);
            }
        }
        return MergeCredit(MergeCredit(std::move(credit), xmp), iptc);
    } catch (...) {
        return ExifCredit{};  // no memory for a few texts: no credit, no failure
    }
}

namespace credit_detail {

bool StartsWith(std::span<const std::uint8_t> payload, std::string_view signature) noexcept {
    return payload.size() >= signature.size() &&
           std::memcmp(payload.data(), signature.data(), signature.size()) == 0;
}

bool IsCreditText(std::string_view text) noexcept {
    if (text.empty() || text.size() > kMaxCreditBytes) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char lead = bytes[i];
        if (lead == 0) return false;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (size - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            code = code << 6 | (bytes[i + k] & 0x3Fu);
        }
        const bool isOverlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (isOverlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += length;
    }
    return true;
}

void AppendName(std::string& list, std::string_view item) {
    constexpr std::string_view kBetween = "; ";
    const std::size_t grown = list.size() + (list.empty() ? 0 : kBetween.size()) + item.size();
    if (item.empty() || grown > kMaxCreditBytes) return;
    if (!list.empty()) list += kBetween;
    list += item;
}

}  // namespace credit_detail

}  // namespace stampwise
