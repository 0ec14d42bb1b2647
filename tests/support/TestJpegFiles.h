// Small real JPEG files for tests of the batch: written by the project's own encoder from a
// picture whose left half is red and right half blue, so that a result shows whether it was
// scaled the right way round.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/Bitmap.h"

namespace stampwise::testing {

inline constexpr ColorValue kTestLeftColor = RGBColor(220, 30, 30);
inline constexpr ColorValue kTestRightColor = RGBColor(30, 30, 220);

// Writes a width × height JPEG file at path (left half kTestLeftColor, right half kTestRightColor).
void WriteTestJpeg(const std::string& path, int width, int height);

// Writes the picture at path as the project's encoder encodes a result (EncodeJpeg).
void WriteJpeg(const std::string& path, const TBitmap& picture);

// Cuts the JPEG file at path in the middle of its first scan's data, as a half-copied photo is:
// the header stays whole, the entropy-coded data ends early.
void CutShort(const std::string& path);

// The size a JPEG file's header gives; throws when it is no JPEG file.
PictureSize JpegFileSize(const std::string& path);

// The decoded pixels of a JPEG file.
TBitmap DecodeJpegFile(const std::string& path);

// True when every channel of a and b differs by at most tolerance (JPEG is lossy).
bool ColorsClose(ColorValue a, ColorValue b, int tolerance = 40);

// One IFD0 entry of a made-up Exif block. A SHORT (type 3) value sits in the first two bytes of the
// value field, anything else fills all four.
struct ExifEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::uint32_t Value = 0;
};
inline constexpr std::uint16_t kOrientationTag = 0x0112;

// An APP1 payload as cameras write it: "Exif\0\0", the TIFF header ("II" or "MM", 42, IFD0 at 8),
// IFD0 with the entries, and a zero next-IFD offset.
std::vector<std::uint8_t> ExifPayload(bool isBigEndian, const std::vector<ExifEntry>& entries);
// Where data appended to ExifPayload's directory of entryCount entries starts, as a TIFF offset
// (what an entry's value field holds to point at it).
constexpr std::uint32_t ExifDataOffset(std::size_t entryCount) {
    return static_cast<std::uint32_t>(8 + 2 + 12 * entryCount + 4);
}
// ExifPayload with data (texts, further directories) after the directory.
std::vector<std::uint8_t> ExifPayloadWithData(bool isBigEndian, const std::vector<ExifEntry>& entries,
                                              const std::string& data);
// The file with an APP1 segment holding payload inserted right after its start-of-image marker.
std::vector<std::uint8_t> WithApp1(const std::vector<std::uint8_t>& jpeg,
                                   const std::vector<std::uint8_t>& payload);
// The file with a segment of the marker (0xE1 for APP1, 0xED for APP13) holding payload inserted
// right after its start-of-image marker.
std::vector<std::uint8_t> WithSegment(const std::vector<std::uint8_t>& jpeg, int marker,
                                      const std::vector<std::uint8_t>& payload);
// An APP1 payload holding an XMP packet as Lightroom writes one: the signature, the packet's
// wrapper, and one rdf:Description (with the dc and photoshop namespaces declared) around inside.
std::vector<std::uint8_t> XmpPayload(const std::string& inside);
// One IPTC dataset: record 2 is the application record (80 By-line, 110 Credit, 116 CopyrightNotice).
struct IptcDataset {
    std::uint8_t Record = 2;
    std::uint8_t Dataset = 0;
    std::string Value;
};
// An APP13 payload: "Photoshop 3.0\0", a resource block of another kind, then the IPTC-NAA block
// (0x0404) holding the datasets.
std::vector<std::uint8_t> IptcPayload(const std::vector<IptcDataset>& datasets);
// An Exif APP1 payload whose IFD0 points to an Exif IFD holding the capture date's tags that are
// not empty (DateTimeOriginal, OffsetTimeOriginal, SubSecTimeOriginal) as ASCII.
std::vector<std::uint8_t> ExifDatePayload(const std::string& dateTime, const std::string& offset,
                                          const std::string& subSec);
// The file tagged with the orientation (a SHORT of count 1, as cameras write it).
std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg, int orientation,
                                              bool isBigEndian);
// The stored picture turned as orientation says, pixel by pixel from where each stored pixel goes
// (the decoder works the other way, from where each upright pixel comes from).
TBitmap TurnedByTest(const TBitmap& stored, int orientation);

// The file with its frame header (SOF) claiming width × height: a few hundred bytes of a small
// picture that announce a huge one, far too short for the blocks of its first scan.
std::vector<std::uint8_t> ClaimingSize(std::vector<std::uint8_t> jpeg, int width, int height);

// A file's bytes (to show that a file was left untouched); throws when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace stampwise::testing
