// Writing pictures as JPEG bytes with libjpeg: a whole TBitmap at once, or rows in turn for work
// that never holds the whole picture. Every libjpeg compression call of the system is in
// JpegEncoder.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise {

namespace jpeg_detail {
struct RowWriterState;  // the library's state, in JpegEncoder.cpp
}

// The complete bytes of a baseline JFIF file of quality 90, byte for byte what
// `cjpeg -quality 90 -baseline -dct float` writes from the same pixels. The bitmap must not be
// empty. Throws EJPEG for a library error and EOutOfResources when memory runs out.
// exifSegment, when not empty, is written as an APP1 segment after the JFIF header
// (WriteResultExif's payload), and a non-empty iccProfile after it, in APP2 chunks as ICC.1
// says; nothing else changes.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap& bitmap,
                                     const std::vector<std::uint8_t>& exifSegment = {},
                                     std::span<const std::uint8_t> iccProfile = {});

// The same file made from rows handed over top to bottom: the bytes are EncodeJpeg's of the
// picture those rows make. The compressed bytes collect in memory; no picture is held.
class JpegRowWriter {
public:
    // Starts a width × height file (both at least 1, else EJPEG). expectedBytes, when known (the
    // size of the file the rows came from, say), is the first size of the byte buffer, which
    // otherwise grows as it fills. exifSegment and iccProfile as for EncodeJpeg.
    JpegRowWriter(int width, int height, std::size_t expectedBytes = 0,
                  const std::vector<std::uint8_t>& exifSegment = {},
                  std::span<const std::uint8_t> iccProfile = {});
    ~JpegRowWriter();
    JpegRowWriter(const JpegRowWriter&) = delete;
    JpegRowWriter& operator=(const JpegRowWriter&) = delete;

    // The next count rows, each width × 3 bytes of RGB. Rows beyond the height are a logic error.
    void WriteRows(const std::uint8_t* const* rows, int count);
    // After the last row: the complete file. EJPEG when rows are missing.
    std::vector<std::uint8_t> Finish();

private:
    std::unique_ptr<jpeg_detail::RowWriterState> state_;
};

}  // namespace stampwise
