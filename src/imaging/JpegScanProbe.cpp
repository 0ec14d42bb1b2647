// A second decompressor over the bytes up to the end of the first scan's data: the data source
// lends the scan its zeros past that end and stops the library once it asks for more than a
// complete scan does. A single scan is only entropy-decoded where libjpeg-turbo can skip rows; the
// scans of a progressive file are read by jpeg_start_decompress, which makes the coefficients'
// storage but touches only what the scan reached before it stopped.
#include "imaging/JpegScanProbe.h"

#include <csetjmp>
#include <memory>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/JpegErrorTrap.h"

namespace stampwise::jpeg_detail {

namespace {

// Everything the setjmp function touches after a longjmp, on the heap.
struct ProbeState {
    ProbeState() = default;
    ProbeState(const ProbeState&) = delete;
    ProbeState& operator=(const ProbeState&) = delete;
    ~ProbeState() { End(); }
    void End() noexcept {
        if (isLive) jpeg_destroy_decompress(&info);
        isLive = false;
    }

    jpeg_decompress_struct info;
    ErrorTrap trap;
    DataSource source;
    bool isLive = false;
};

// Where the first scan's entropy-coded data ends: at the first marker from scanStart on that is
// neither a stuffed zero nor a restart marker.
std::size_t ScanEnd(const std::uint8_t* data, std::size_t size, std::size_t scanStart) {
    for (std::size_t at = scanStart; at + 1 < size; ++at) {
        if (data[at] != 0xFF) continue;
        const std::uint8_t code = data[at + 1];
        if (code != 0x00 && code != 0xFF && (code < JPEG_RST0 || code > JPEG_RST0 + 7)) return at;
    }
    return size;
}

// No C++ object with a destructor may live in this frame.
bool RunThroughScan(ProbeState& p, const std::uint8_t* data, std::size_t size) {
    if (setjmp(p.trap.jump) != 0) {
        p.End();
        return p.source.isOverrun;
    }
    p.info.err = ArmTrap(p.trap);
    jpeg_create_decompress(&p.info);
    p.isLive = true;
    UseDataSource(p.info, p.source, data, size);
    p.source.isStoppingAtOverrun = true;
    jpeg_read_header(&p.info, TRUE);
    p.info.dct_method = JDCT_IFAST;
    p.info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&p.info);
    const JDIMENSION height = jpeg_has_multiple_scans(&p.info) ? 0 : p.info.output_height;
#if defined(LIBJPEG_TURBO_VERSION)
    if (height > 1) jpeg_skip_scanlines(&p.info, height - 1);
#endif
    if (p.info.output_scanline < height) {
        JSAMPARRAY discard = (*p.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&p.info), JPOOL_IMAGE,
                                                         p.info.output_width * p.info.output_components, 1);
        while (p.info.output_scanline < height) {
            if (jpeg_read_scanlines(&p.info, discard, 1) != 1) break;
        }
    }
    p.End();
    return false;
}

}  // namespace

bool DoesFirstScanOutrunItsData(const std::uint8_t* data, std::size_t size, std::size_t scanStart) {
    const auto probe = std::make_unique<ProbeState>();
    return RunThroughScan(*probe, data, ScanEnd(data, size, scanStart));
}

}  // namespace stampwise::jpeg_detail
