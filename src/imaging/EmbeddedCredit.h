// The photographer's credit wherever a file carries it: the Exif block's Artist and Copyright
// (ExifReader.h), the XMP packet (dc:creator, dc:rights, photoshop:Credit) and the IPTC records in
// Photoshop's APP13 segment (By-line, Credit, CopyrightNotice). The result gets one credit, in its
// Exif block (ExifWriter.h): Exif wins where it has a field, XMP fills what it lacks, IPTC the rest.
// Nothing else of XMP or IPTC is read, and nothing of them goes into a result. This file also
// joins what the decoder reads from a file's segments (ReadSegmentMetadata).
//
// Both readers take untrusted bytes. They are loops over one segment (at most 64 KiB), without
// recursion on anything the input nests, every length checked before it is used; a text longer
// than kMaxCreditBytes, or not UTF-8, is left out rather than cut or guessed at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "imaging/ExifReader.h"

namespace stampwise {

// An application segment as the decoder keeps it: its marker (0xE1 for APP1, 0xED for APP13) and
// the bytes after its length field.
struct AppSegment {
    int Marker = 0;
    std::span<const std::uint8_t> Payload;
};

// The longest text of a credit taken from XMP or IPTC (several creators joined included).
inline constexpr std::size_t kMaxCreditBytes = 2048;

// The first Exif APP1 segment among segments, or null.
const AppSegment* FindExifSegment(std::span<const AppSegment> segments) noexcept;

// From an APP1 payload that starts with XMP's "http://ns.adobe.com/xap/1.0/\0": Artist from
// dc:creator (several joined with "; "), or photoshop:Credit when there is no creator; Copyright
// from dc:rights (its x-default language, else its first). Empty for anything else.
ExifCredit ReadXmpCredit(std::span<const std::uint8_t> payload) noexcept;

// From an APP13 payload ("Photoshop 3.0\0" and its resource blocks): the IPTC-NAA resource's
// By-line (several joined with "; "), or Credit when there is no by-line, and CopyrightNotice.
// Empty for anything else.
ExifCredit ReadIptcCredit(std::span<const std::uint8_t> payload) noexcept;

// The segments a file's metadata is read from: the first this many APP1 and APP13 segments.
inline constexpr std::size_t kMaxMetadataSegments = 16;

// What the segments say besides the pixels: the first Exif block's orientation, capture date and
// Adobe RGB mark (ExifReader.h), and the credit as ReadEmbeddedCredit joins it. Never fails:
// what cannot be read is none.
struct SegmentMetadata {
    stampwise::Orientation Orientation = stampwise::Orientation::AsStored;
    ExifCredit Credit;
    CaptureDate Date;
    bool IsExifAdobeRgb = false;
};
SegmentMetadata ReadSegmentMetadata(std::span<const AppSegment> segments) noexcept;

// Field by field: first's where it has one, else rest's.
ExifCredit MergeCredit(ExifCredit first, const ExifCredit& rest);

// The credit of a file from its segments: the first Exif block's, then the first XMP packet's,
// then the first IPTC records', merged field by field in that order.
ExifCredit ReadEmbeddedCredit(std::span<const AppSegment> segments) noexcept;

namespace credit_detail {
// Whether payload begins with signature, byte for byte (NULs included).
bool StartsWith(std::span<const std::uint8_t> payload, std::string_view signature) noexcept;
// Whether text may stand in a credit: not empty, at most kMaxCreditBytes, well-formed UTF-8 (no
// overlong forms, no surrogates) without NUL bytes.
bool IsCreditText(std::string_view text) noexcept;
// Appends item to list with "; " between, while the whole stays within kMaxCreditBytes; an item
// that does not fit is left out.
void AppendName(std::string& list, std::string_view item);
}  // namespace credit_detail

}  // namespace stampwise
