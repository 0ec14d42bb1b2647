// The one place that compresses. The settings are the library defaults for three RGB components,
// quality 90 with baseline tables, and the floating-point forward DCT (libjpeg-turbo's default is the
// integer one, so it is set explicitly); nothing else is touched: no optimized Huffman tables, no
// progressive script, no markers beyond the JFIF header the defaults write. Rows are read straight
// from the bitmap's storage, whose R, G, B bytes are libjpeg's RGB order.
//
// The bytes collect in libjpeg's memory destination; writing them to a file is JpegImage's concern.
#include "imaging/JpegEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "imaging/ImageErrors.h"
#include "imaging/JpegErrorTrap.h"
#include "imaging/JpegImage.h"

namespace stampwise {

namespace {

using jpeg_detail::ArmTrap;
using jpeg_detail::ErrorTrap;

// Everything the setjmp function touches after a longjmp lives here, outside its registers.
struct Compression {
    jpeg_compress_struct info;
    ErrorTrap trap;
    unsigned char* buffer = nullptr;  // malloc'ed by jpeg_mem_dest; ours to free
    unsigned long size = 0;
};

// Returns 0 or the library's message code. No C++ object with a destructor may live in this frame.
int CompressInto(const TBitmap& bitmap, Compression& c) {
    if (setjmp(c.trap.jump) != 0) {
        jpeg_destroy_compress(&c.info);
        return c.trap.manager.msg_code;
    }
    c.info.err = ArmTrap(c.trap);
    jpeg_create_compress(&c.info);
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);

    c.info.image_width = static_cast<JDIMENSION>(bitmap.Width());
    c.info.image_height = static_cast<JDIMENSION>(bitmap.Height());
    c.info.input_components = 3;
    c.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, JpegSettings::kQuality, TRUE);
    c.info.dct_method = JDCT_FLOAT;

    jpeg_start_compress(&c.info, TRUE);
    constexpr int kRowsPerCall = 16;
    JSAMPROW rows[kRowsPerCall];
    const int height = bitmap.Height();
    while (c.info.next_scanline < c.info.image_height) {
        const int first = static_cast<int>(c.info.next_scanline);
        const int count = std::min(kRowsPerCall, height - first);
        // libjpeg's row type is not const, but compression only reads the rows.
        for (int i = 0; i < count; ++i) rows[i] = const_cast<JSAMPROW>(bitmap.ScanLine(first + i));
        jpeg_write_scanlines(&c.info, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&c.info);
    jpeg_destroy_compress(&c.info);
    return 0;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap& bitmap) {
    Compression c;
    const int code = CompressInto(bitmap, c);
    // The buffer outlives the compressor either way: free it on every path.
    struct FreeBuffer {
        unsigned char* p;
        ~FreeBuffer() { std::free(p); }
    } owner{c.buffer};
    if (code != 0) throw EJPEG(code);
    try {
        return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources();
    }
}

}  // namespace stampwise
