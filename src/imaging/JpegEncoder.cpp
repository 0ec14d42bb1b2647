// The one place that compresses. The settings are the library defaults for three RGB components,
// quality 90 with baseline tables, and the floating-point forward DCT (libjpeg-turbo's default is the
// integer one, so it is set explicitly); nothing else is touched: no optimized Huffman tables, no
// progressive script, no markers beyond the JFIF header the defaults write and, when a step keeps
// its source's colour profile, that profile (jpeg_write_icc_profile). Rows are read straight
// from the caller's storage, whose R, G, B bytes are libjpeg's RGB order.
//
// EncodeJpeg is the row writer fed with a whole bitmap, so the two cannot drift apart. The bytes
// collect in a growing vector that becomes the result as it is; writing them to a file is
// JpegImage's concern.
#include "imaging/JpegEncoder.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <stdexcept>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/ImageErrors.h"
#include "imaging/JpegErrorTrap.h"
#include "imaging/JpegImage.h"

namespace stampwise {

namespace {

using jpeg_detail::ArmTrap;
using jpeg_detail::ErrorTrap;
using jpeg_detail::StepFault;

constexpr std::size_t kFirstBufferBytes = 64 * 1024;
constexpr int kRowsPerCall = 16;

}  // namespace

// Everything the setjmp functions touch after a longjmp lives here, on the heap and owned by the
// writer, outside their frames and registers.
struct jpeg_detail::RowWriterState {
    jpeg_compress_struct info;
    ErrorTrap trap;
    jpeg_destination_mgr destination;
    std::vector<std::uint8_t> bytes;  // bytes.size() is the buffer; the file is its first part
    bool isLive = false;               // jpeg_create_compress done, jpeg_destroy_compress not yet
    bool isOutOfMemory = false;  // the byte buffer could not grow
    StepFault fault = StepFault::None;
    int errorCode = 0;  // the library's, for StepFault::Library
    int height = 0;
};

namespace {

using State = jpeg_detail::RowWriterState;

State& StateOf(j_compress_ptr info) { return *static_cast<State*>(info->client_data); }

extern "C" {
void StartDestination(j_compress_ptr info) {
    State& s = StateOf(info);
    s.destination.next_output_byte = s.bytes.data();
    s.destination.free_in_buffer = s.bytes.size();
}

// The buffer is full: it grows by half, keeping what it holds. A failed growth must not throw
// through the library, so it leaves by the library's own error exit.
boolean GrowDestination(j_compress_ptr info) {
    State& s = StateOf(info);
    const std::size_t used = s.bytes.size();
    bool isGrown = false;
    try {
        s.bytes.resize(used + std::max(used / 2, kFirstBufferBytes));
        isGrown = true;
    } catch (...) {
    }
    if (!isGrown) {
        s.isOutOfMemory = true;
        ERREXIT(info, JERR_OUT_OF_MEMORY);
    }
    s.destination.next_output_byte = s.bytes.data() + used;
    s.destination.free_in_buffer = s.bytes.size() - used;
    return TRUE;
}

void EndDestination(j_compress_ptr info) {
    State& s = StateOf(info);
    s.bytes.resize(s.bytes.size() - s.destination.free_in_buffer);
}
}

void FinishWriter(State& s) {
    if (s.isLive) jpeg_destroy_compress(&s.info);
    s.isLive = false;
}

// At a setjmp's return: keeps what failed and frees the library's state. Returns the fault.
StepFault KeepFault(State& s) {
    s.fault = s.isOutOfMemory ? StepFault::OutOfResources : StepFault::Library;
    s.errorCode = s.trap.manager.msg_code;
    FinishWriter(s);
    return s.fault;
}

// No C++ object with a destructor may live in this frame.
StepFault StartWriter(State& s, int width, int height, const std::vector<std::uint8_t>& exifSegment,
                const JOCTET* icc, unsigned int iccLength) {
    if (setjmp(s.trap.jump) != 0) return KeepFault(s);
    s.info.err = ArmTrap(s.trap);
    jpeg_create_compress(&s.info);
    s.isLive = true;
    s.info.client_data = &s;
    s.destination.init_destination = StartDestination;
    s.destination.empty_output_buffer = GrowDestination;
    s.destination.term_destination = EndDestination;
    s.info.dest = &s.destination;

    s.info.image_width = static_cast<JDIMENSION>(std::max(width, 0));
    s.info.image_height = static_cast<JDIMENSION>(std::max(height, 0));
    s.info.input_components = 3;
    s.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&s.info);
    jpeg_set_quality(&s.info, JpegSettings::kQuality, TRUE);
    s.info.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&s.info, TRUE);
    if (!exifSegment.empty()) {
        jpeg_write_marker(&s.info, JPEG_APP0 + 1, exifSegment.data(),
                          static_cast<unsigned int>(exifSegment.size()));
    }
    if (iccLength > 0) jpeg_write_icc_profile(&s.info, icc, iccLength);
    s.height = height;
    return StepFault::None;
}

// No C++ object with a destructor may live in this frame.
StepFault WriteRowsWithTrap(State& s, const std::uint8_t* const* rows, int count) {
    if (setjmp(s.trap.jump) != 0) return KeepFault(s);
    JSAMPROW in[kRowsPerCall];
    for (int done = 0; done < count;) {
        const int chunk = std::min(count - done, kRowsPerCall);
        // libjpeg's row type is not const, but compression only reads the rows.
        for (int i = 0; i < chunk; ++i) in[i] = const_cast<JSAMPROW>(rows[done + i]);
        jpeg_write_scanlines(&s.info, in, static_cast<JDIMENSION>(chunk));
        done += chunk;
    }
    return StepFault::None;
}

// No C++ object with a destructor may live in this frame.
StepFault FinishWithTrap(State& s) {
    if (setjmp(s.trap.jump) != 0) return KeepFault(s);
    jpeg_finish_compress(&s.info);
    FinishWriter(s);
    return StepFault::None;
}

// Any fault but None; the writer is over.
[[noreturn]] void ThrowFor(const State& s) {
    if (s.fault == StepFault::OutOfResources) throw EOutOfResources();
    throw EJPEG(s.errorCode, s.trap.errorText);
}

}  // namespace

JpegRowWriter::JpegRowWriter(int width, int height, std::size_t expectedBytes,
                             const std::vector<std::uint8_t>& exifSegment,
                             std::span<const std::uint8_t> iccProfile)
    : state_(std::make_unique<jpeg_detail::RowWriterState>()) {
    // ICC.1 numbers the chunks in one byte: 255 full APP2 segments at most. A profile read from a
    // file always fits.
    constexpr std::size_t kMaxIccBytes = std::size_t{255} * (65533 - 14);
    if (iccProfile.size() > kMaxIccBytes) {
        throw std::invalid_argument("JpegRowWriter: the colour profile does not fit in 255 segments");
    }
    try {
        state_->bytes.resize(std::max(expectedBytes, kFirstBufferBytes));
    } catch (const std::bad_alloc&) {
        throw EOutOfResources();
    }
    if (StartWriter(*state_, width, height, exifSegment, iccProfile.data(),
                    static_cast<unsigned int>(iccProfile.size())) != StepFault::None) {
        ThrowFor(*state_);
    }
}

JpegRowWriter::~JpegRowWriter() { FinishWriter(*state_); }

void JpegRowWriter::WriteRows(const std::uint8_t* const* rows, int count) {
    State& s = *state_;
    if (s.fault != StepFault::None) ThrowFor(s);
    if (!s.isLive) throw std::logic_error("JpegRowWriter: rows after Finish");
    if (count <= 0) return;
    if (count > s.height - static_cast<int>(s.info.next_scanline)) {
        throw std::logic_error("JpegRowWriter: more rows than the picture's height");
    }
    if (WriteRowsWithTrap(s, rows, count) != StepFault::None) ThrowFor(s);
}

std::vector<std::uint8_t> JpegRowWriter::Finish() {
    State& s = *state_;
    if (s.fault != StepFault::None) ThrowFor(s);
    if (!s.isLive) throw std::logic_error("JpegRowWriter: finished twice");
    if (FinishWithTrap(s) != StepFault::None) ThrowFor(s);
    return std::move(s.bytes);
}

std::vector<std::uint8_t> EncodeJpeg(const TBitmap& bitmap, const std::vector<std::uint8_t>& exifSegment,
                                     std::span<const std::uint8_t> iccProfile) {
    JpegRowWriter writer(bitmap.Width(), bitmap.Height(), 0, exifSegment, iccProfile);
    const std::uint8_t* rows[kRowsPerCall];
    for (int y = 0; y < bitmap.Height(); y += kRowsPerCall) {
        const int count = std::min(kRowsPerCall, bitmap.Height() - y);
        for (int i = 0; i < count; ++i) rows[i] = bitmap.ScanLine(y + i);
        writer.WriteRows(rows, count);
    }
    return writer.Finish();
}

}  // namespace stampwise
