// One decompression of one file's bytes: the library's state on the heap and the few steps every
// decoder of JpegDecoder.h is made of (read the header, start, read rows, finish). Each step arms
// setjmp in a small function of JpegSession.cpp that holds no C++ object, and becomes the system's
// exception only once the library's frames are gone. The decoders are loops over these steps and
// never call libjpeg themselves; turning rows upright is theirs, not the session's.
//
// Rows are stored rows (as the file holds them, before any turn), in RGB, in sRGB unless the
// profiles the session was started with keep them as stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/ColourProfile.h"
#include "imaging/JpegDecoder.h"

namespace stampwise::jpeg_detail {

struct LibraryState;  // the library's struct and error trap, in JpegSession.cpp

class DecompressSession {
public:
    // Reads the header of the bytes and keeps it (Header()). Throws as ReadJpegHeader.
    DecompressSession(const std::uint8_t* data, std::size_t size);
    // For bytes whose header was read before (ReadJpegHeader of the same bytes): the library still
    // reads its markers, but the Exif block and the colour profile are not worked out again.
    // header, like the bytes, must outlive the session.
    DecompressSession(const std::uint8_t* data, std::size_t size, const JpegHeader& header);
    ~DecompressSession();
    DecompressSession(const DecompressSession&) = delete;
    DecompressSession& operator=(const DecompressSession&) = delete;

    const JpegHeader& Header() const { return *header_; }
    // The header the session read itself, moved out; only for a session made without one.
    JpegHeader TakeHeader();

    // Starts the library with the fixed settings and the header's conversion to sRGB (none for an
    // RGB file with ProfileHandling::Keep). Throws EJPEG for a library error, EOutOfResources beyond
    // kMaxPicturePixels (before the library holds anything of the picture's size), and EJPEG as
    // for data that ends early when the data cannot hold the first scan: for Huffman coding when
    // it holds less than a bit per block; for thin arithmetic-coded data, with JpegDamage::Refuse,
    // when the scan run through first (JpegScanProbe.h) outruns its data.
    void Start(ProfileHandling profiles, JpegDamage damage);

    // After Start: the stored picture.
    int Width() const;
    int Height() const;
    bool IsGrayscale() const;

    // Stored rows into targets, each Width() × 3 bytes: targets[k] gets stored row storedRows[k], or
    // when storedRows is null the k-th row after the last one read. The rows must increase and not
    // come before one read already; the rows between are passed over as cheaply as the library allows. A target the library
    // does not reach is made white, also before a library error is thrown as EJPEG (the session
    // is then over, and every later step throws it again).
    void ReadRows(std::uint8_t* const* targets, const int* storedRows, int count);

    // After the last row wanted: with JpegDamage::Refuse the rows left and the markers after the
    // picture are read first, so that damage below the last row wanted is found too. Judges the
    // damage and frees the library's state. Throws EJPEG for a library error.
    void Finish(JpegDamage damage);
    // After Finish with JpegDamage::Refuse: EJPEG::Refused with the library's warning when the
    // picture is damaged.
    void ThrowIfRefused() const;

    // Throws again the failure that ended the session, if one did.
    void ThrowIfFailed() const;

private:
    [[noreturn]] void ThrowFailure() const;

    std::unique_ptr<LibraryState> state_;
    JpegHeader ownHeader_;
    const JpegHeader* header_ = &ownHeader_;
    SrgbConversion toSrgb_;
};

}  // namespace stampwise::jpeg_detail
