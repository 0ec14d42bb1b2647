// The one place that decompresses. Settings, fixed for every picture: full scale, block smoothing,
// fancy upsampling and the floating-point inverse DCT (libjpeg-turbo's own default is the integer
// one, so it is set explicitly); RGB output for colour files; for grayscale files the library's
// one-pass quantizer with 236 colours and Floyd–Steinberg dithering, widened to grey RGB through its
// colour map. The result is what `djpeg -dct float` (with `-colors 236` for grayscale) prints.
//
// Rows go straight from libjpeg into the caller's rows: RGB output is already our byte order. The
// metadata is read from the APP1 and APP13 segments the library keeps while reading the header.
// Colour: the header gives the picture's colour space and its ICC profile (the library joins the
// APP2 chunks), from which the file's SrgbConversion is made before the library starts, in the C++
// frames; inside the library's frames it only converts rows. Four-component files are read as CMYK
// (the library turns YCCK into CMYK) into rows of the library's own pool and converted from there;
// an RGB file's rows are converted where they lie, and a grey file's colour map once.
//
// Damage is judged in Finish, by the one rule in JpegErrorTrap.h, from the warnings the trap kept:
// the library has by then delivered every row it could (and, for a caller that refuses damage,
// read the rest of the picture and the markers after the last scan, where a decoder that lost its
// way in broken data finds the bytes it left).
#include "imaging/JpegSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <utility>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/EmbeddedCredit.h"
#include "imaging/ImageErrors.h"
#include "imaging/JpegErrorTrap.h"
#include "imaging/JpegImage.h"
#include "imaging/JpegScanProbe.h"

namespace stampwise::jpeg_detail {

// Everything the setjmp functions touch after a longjmp lives here, on the heap, outside their
// own frames and registers.
struct LibraryState {
    LibraryState() = default;
    LibraryState(const LibraryState&) = delete;
    LibraryState& operator=(const LibraryState&) = delete;
    ~LibraryState() {
        if (isLive) jpeg_destroy_decompress(&info);
    }

    jpeg_decompress_struct info;
    ErrorTrap trap;
    DataSource source;
    bool isLive = false;  // jpeg_create_decompress done and jpeg_destroy_decompress not yet
    // The failure that ended the session, with the library's code and words for a library error.
    StepFault fault = StepFault::None;
    int errorCode = 0;
    char errorText[JMSG_LENGTH_MAX] = {};
    JpegDataFault errorFault = JpegDataFault::None;
    DamageVerdict damage;
    bool isRefusingDamage = false;

    const SrgbConversion* toSrgb = nullptr;  // null when the rows need no conversion
    int width = 0;                           // of the stored picture, once started
    int height = 0;
    bool isGrayscale = false;
    bool isSkipping = false;                 // jpeg_skip_scanlines gives the rows reading gives
    JSAMPARRAY inkRows = nullptr;            // kRowsPerCall rows of CMYK, for a four-component file
    JSAMPARRAY indexRow = nullptr;           // one row of colour-map indices, for a grey file
    std::uint8_t greyOf[256] = {};           // the grey of each colour-map index, converted
    JSAMPROW scratchRow = nullptr;           // a row read only to be dropped, made when first needed
    int rowsDone = 0;                        // of the current ReadRows
    JOCTET* icc = nullptr;                   // the joined profile, malloc'ed by the library
    unsigned int iccLength = 0;
};

namespace {

// Rows per jpeg_read_scanlines call: the library's own batch, small against any picture.
constexpr int kRowsPerCall = 16;

void End(LibraryState& s) noexcept {
    if (s.isLive) jpeg_destroy_decompress(&s.info);
    s.isLive = false;
}

// At a setjmp's return: keeps the library's error and frees its state.
void KeepError(LibraryState& s) noexcept {
    s.fault = StepFault::Library;
    s.errorCode = s.trap.manager.msg_code;
    std::memcpy(s.errorText, s.trap.errorText, sizeof s.errorText);
    s.errorFault = FaultOfError(s.trap);
    End(s);
}

JpegColours ColoursOf(const jpeg_decompress_struct& info) {
    switch (info.jpeg_color_space) {
        case JCS_GRAYSCALE: return JpegColours::Grey;
        case JCS_CMYK:
        case JCS_YCCK: return info.saw_Adobe_marker ? JpegColours::InvertedCmyk : JpegColours::Cmyk;
        default: return JpegColours::Rgb;
    }
}

// The first kept APP1 (Exif, XMP) and APP13 (IPTC) segments, as many as segments holds; their count.
std::size_t MetadataSegmentsOf(const jpeg_decompress_struct& info, std::span<AppSegment> segments) {
    std::size_t count = 0;
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr && count < segments.size(); m = m->next) {
        if (m->marker != JPEG_APP0 + 1 && m->marker != JPEG_APP0 + 13) continue;
        segments[count++] = {m->marker, std::span<const std::uint8_t>(m->data, m->data_length)};
    }
    return count;
}

// Creates the library's state and reads the header; with isWorkingOut, also the header's figures
// and the joined profile (the Exif block is read after, in the C++ frames). Returns false after a
// library error. No C++ object with a destructor may live in this frame.
bool ReadHeaderStep(LibraryState& s, const std::uint8_t* data, std::size_t size, JpegHeader& header,
                    bool isWorkingOut) {
    if (setjmp(s.trap.jump) != 0) {
        KeepError(s);
        return false;
    }
    s.info.err = ArmTrap(s.trap);
    jpeg_create_decompress(&s.info);
    s.isLive = true;
    UseDataSource(s.info, s.source, data, size);
    // Kept whole (a segment is at most 64 KiB) so that the Exif block, XMP and IPTC can be parsed
    // after the header, and the ICC profile's chunks joined.
    jpeg_save_markers(&s.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&s.info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_save_markers(&s.info, JPEG_APP0 + 13, 0xFFFF);
    jpeg_read_header(&s.info, TRUE);
    if (!isWorkingOut) return true;
    header.Width = static_cast<int>(s.info.image_width);
    header.Height = static_cast<int>(s.info.image_height);
    header.Grayscale = s.info.jpeg_color_space == JCS_GRAYSCALE;
    header.Progressive = jpeg_has_multiple_scans(&s.info) != FALSE;
    for (int c = 0; c < s.info.num_components; ++c) {
        const jpeg_component_info& component = s.info.comp_info[c];
        header.Blocks += std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
    }
    header.Colours = ColoursOf(s.info);
    // Chunks that do not make one profile (missing, repeated, numbered past their count) only warn
    // and give none: the picture is then untagged.
    JOCTET* joined = nullptr;
    unsigned int joinedLength = 0;
    if (jpeg_read_icc_profile(&s.info, &joined, &joinedLength)) {
        s.icc = joined;
        s.iccLength = joinedLength;
    }
    return true;
}

// With Huffman coding every block of a scan costs at least one bit, so the data left after the
// first scan's header must hold that many bits for the scan's blocks. A few hundred bytes that
// announce 16384 × 16384 pixels would otherwise cost the picture's storage (and, progressive,
// every coefficient of it) before the data runs out. Arithmetic coding may spend far less than a
// bit on a block of a flat picture, so for it this only says that the data must be looked at:
// there the scan's own decoder finds out (JpegScanProbe.h), before the picture is made.
bool HasBitPerBlockOfFirstScan(const jpeg_decompress_struct& info) {
    std::uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info* component = info.cur_comp_info[i];
        blocks += std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
    }
    return std::uint64_t{info.src->bytes_in_buffer} * 8 >= blocks;
}

// Whether jpeg_skip_scanlines leaves the rows after a skip as reading would. It does not for every
// chroma layout: where a component is stretched vertically by more than 2, or by 2 with more than
// 2 across (luma sampled 3x2, 4x2, 1x3, 3x3, 1x4, 2x4 and the like), libjpeg-turbo 2.1 gives some
// rows after a skip different upsampled chroma. Those rare files are read row by row instead.
// Dithered grey rows pass their error on to the next row, so they are never skipped either.
bool CanSkipRows(const jpeg_decompress_struct& info, bool isGrayscale) {
#if defined(LIBJPEG_TURBO_VERSION)
    if (isGrayscale) return false;
    // 4:2:0 pictures four pixels wide or less get other chroma after a skip too; narrow pictures
    // cost nothing to read whole, so the skip is left to the ones of a block's width and more.
    if (info.output_width < 16) return false;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const int across = info.max_h_samp_factor / component.h_samp_factor;
        const int down = info.max_v_samp_factor / component.v_samp_factor;
        if (down != 1 && !(down == 2 && across <= 2)) return false;
    }
    return true;
#else
    (void)info;
    (void)isGrayscale;
    return false;
#endif
}

// A row of the library's own pool, as wide as one output row, for rows read only to be dropped.
JSAMPROW ScratchRow(LibraryState& s) {
    if (s.scratchRow == nullptr) {
        s.scratchRow = (*s.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s.info), JPOOL_IMAGE,
                                                   s.info.output_width * s.info.output_components, 1)[0];
    }
    return s.scratchRow;
}

// The system's refusals before the library starts: a conversion that does not fit the file's
// colours (a library error, which longjmps), a picture too large, and data too short for its first
// scan. Returns None also for arithmetic-coded data that is thin for its scan but may be whole;
// isWorthProbing then says whether it must be looked at before the picture is made. No C++ object
// with a destructor may live in this frame.
StepFault CheckStep(LibraryState& s, bool& isWorthProbing) {
    if (setjmp(s.trap.jump) != 0) {
        KeepError(s);
        return s.fault;
    }
    // Four-component pixels reach the rows only through their conversion.
    const bool isInk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;
    const int convertedChannels = s.toSrgb == nullptr ? 3 : s.toSrgb->InputChannels();
    if (convertedChannels != (isInk ? 4 : 3)) ERREXIT(&s.info, JERR_CONVERSION_NOTIMPL);
    if (std::int64_t{s.info.image_width} * s.info.image_height > kMaxPicturePixels) {
        End(s);
        return StepFault::OutOfResources;
    }
    isWorthProbing = false;
    if (!HasBitPerBlockOfFirstScan(s.info)) {
        if (!s.info.arith_code) {
            End(s);
            return StepFault::TooLittleData;
        }
        isWorthProbing = true;
    }
    return StepFault::None;
}

// Starts the library with the fixed settings. A library error longjmps. jpeg_start_decompress
// already allocates buffers of the picture's width (and, for progressive files, coefficients for
// the whole picture). No C++ object with a destructor may live in this frame.
StepFault StartStep(LibraryState& s) {
    if (setjmp(s.trap.jump) != 0) {
        KeepError(s);
        return s.fault;
    }
    const bool isInk = s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK;

    s.isGrayscale = s.info.jpeg_color_space == JCS_GRAYSCALE;
    s.info.scale_num = 1;
    s.info.scale_denom = 1;
    s.info.dct_method = JDCT_FLOAT;
    s.info.do_fancy_upsampling = TRUE;
    s.info.do_block_smoothing = TRUE;
    if (s.isGrayscale) {
        s.info.out_color_space = JCS_GRAYSCALE;
        s.info.quantize_colors = TRUE;
        s.info.desired_number_of_colors = JpegSettings::kQuantizedColors;
        s.info.two_pass_quantize = FALSE;
        s.info.dither_mode = JDITHER_FS;
    } else {
        s.info.out_color_space = isInk ? JCS_CMYK : JCS_RGB;
    }
    jpeg_start_decompress(&s.info);
    if (s.info.output_components != (s.isGrayscale ? 1 : isInk ? 4 : 3)) {
        ERREXIT(&s.info, JERR_CONVERSION_NOTIMPL);
    }
    const j_common_ptr common = reinterpret_cast<j_common_ptr>(&s.info);
    if (isInk) {
        s.inkRows = (*s.info.mem->alloc_sarray)(common, JPOOL_IMAGE, s.info.output_width * 4, kRowsPerCall);
    }
    // Quantized output is one colour-map index per pixel; the map's single component is the grey.
    // A grey profile's conversion goes on the map's levels rather than on every pixel: the
    // quantizer dithers against the map itself, which therefore stays as the library made it.
    if (s.isGrayscale) {
        s.indexRow = (*s.info.mem->alloc_sarray)(common, JPOOL_IMAGE, s.info.output_width, 1);
        for (int i = 0; i < s.info.actual_number_of_colors && i < 256; ++i) {
            std::uint8_t grey[3] = {s.info.colormap[0][i], s.info.colormap[0][i], s.info.colormap[0][i]};
            if (s.toSrgb != nullptr) s.toSrgb->Convert(grey, grey, 1);
            s.greyOf[i] = grey[0];
        }
    }
    s.isSkipping = CanSkipRows(s.info, s.isGrayscale);
    s.width = static_cast<int>(s.info.output_width);
    s.height = static_cast<int>(s.info.output_height);
    return StepFault::None;
}

int NextRowOf(const LibraryState& s) { return static_cast<int>(s.info.output_scanline); }

// Reads and drops the rows before row; false when the library stops short of it.
bool PassOverTo(LibraryState& s, int row) {
    const int next = NextRowOf(s);
    if (row <= next) return row == next;
#if defined(LIBJPEG_TURBO_VERSION)
    // Skipped rows still go through the entropy decoder and, within a block row, the inverse DCT,
    // so the rows around them come out as they would; only their colour conversion is saved.
    if (s.isSkipping) jpeg_skip_scanlines(&s.info, static_cast<JDIMENSION>(row - next));
#endif
    while (NextRowOf(s) < row) {
        JSAMPROW discard = ScratchRow(s);
        if (jpeg_read_scanlines(&s.info, &discard, 1) != 1) break;
    }
    return NextRowOf(s) == row;
}

void WidenGreyRow(const LibraryState& s, const JSAMPLE* indices, std::uint8_t* out) {
    const std::uint8_t* greys = s.greyOf;
    const int width = static_cast<int>(s.info.output_width);
    for (int x = 0; x < width; ++x, out += 3) {
        const std::uint8_t g = greys[indices[x]];
        out[0] = g;
        out[1] = g;
        out[2] = g;
    }
}

// Up to count (at most kRowsPerCall) consecutive RGB rows into targets: straight from the library,
// converted in place when the file's profile asks for it, or read as CMYK into the ink rows and
// converted from there; a grey row one at a time through its colour map. Returns how many rows the
// library gave.
int ReadRun(LibraryState& s, std::uint8_t* const* targets, int count) {
    if (s.isGrayscale) {
        if (jpeg_read_scanlines(&s.info, s.indexRow, 1) != 1) return 0;
        WidenGreyRow(s, s.indexRow[0], targets[0]);
        return 1;
    }
    JSAMPROW rows[kRowsPerCall];
    std::copy(targets, targets + count, rows);
    const JSAMPARRAY read = s.inkRows != nullptr ? s.inkRows : rows;
    const JDIMENSION got = jpeg_read_scanlines(&s.info, read, static_cast<JDIMENSION>(count));
    if (s.toSrgb != nullptr) {
        for (JDIMENSION i = 0; i < got; ++i) s.toSrgb->Convert(read[i], rows[i], s.info.output_width);
    }
    return static_cast<int>(got);
}

// Counts the rows delivered in s.rowsDone. Returns false after a library error. No C++ object with
// a destructor may live in this frame.
bool ReadRowsStep(LibraryState& s, std::uint8_t* const* targets, const int* storedRows, int count) {
    s.rowsDone = 0;
    if (setjmp(s.trap.jump) != 0) {
        KeepError(s);
        return false;
    }
    while (s.rowsDone < count) {
        const int k = s.rowsDone;
        const int first = storedRows == nullptr ? NextRowOf(s) : storedRows[k];
        if (!PassOverTo(s, first)) break;
        int run = 1;
        while (run < kRowsPerCall && k + run < count &&
               (storedRows == nullptr || storedRows[k + run] == first + run)) {
            ++run;
        }
        const int got = ReadRun(s, targets + k, run);
        // The memory source never suspends, so a short read cannot happen; should it, the rest is white.
        if (got == 0) break;
        s.rowsDone = k + got;
    }
    return true;
}

// Not jpeg_finish_decompress, which fails a file whose rows did not all come: the damage rule
// decides about those. Refusing damage reads the rows left and then the markers up to the end of
// the data, so that bytes a lost decoder left behind, and a missing end marker, are seen. Skipping
// to the very end would decode nothing, so the skip stops one row short and that row is read. A
// second scan in a file read in one pass stops the library (it suspends), which ends the markers
// too. No C++ object with a destructor may live in this frame.
bool FinishStep(LibraryState& s) {
    if (setjmp(s.trap.jump) != 0) {
        KeepError(s);
        return false;
    }
    if (s.isRefusingDamage) {
        while (s.info.output_scanline < s.info.output_height) {
#if defined(LIBJPEG_TURBO_VERSION)
            const JDIMENSION left = s.info.output_height - s.info.output_scanline;
            if (s.isSkipping && left > 1) jpeg_skip_scanlines(&s.info, left - 1);
#endif
            JSAMPROW discard = ScratchRow(s);
            if (jpeg_read_scanlines(&s.info, &discard, 1) != 1) break;
        }
        for (;;) {
            const int status = jpeg_consume_input(&s.info);
            if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) break;
        }
    }
    s.damage = JudgeDamage(s.trap, s.source, s.info);
    End(s);
    return true;
}

// The file's conversion to sRGB, made from its header before the library starts on its pixels.
SrgbConversion ConversionFor(const JpegHeader& header, ProfileHandling profiles) {
    switch (header.Colours) {
        case JpegColours::Rgb:
            if (profiles == ProfileHandling::Keep) return SrgbConversion();
            return SrgbConversion::ForRgb(header.IccProfile);
        case JpegColours::Cmyk: return SrgbConversion::ForCmyk(header.IccProfile, false);
        case JpegColours::InvertedCmyk: return SrgbConversion::ForCmyk(header.IccProfile, true);
        case JpegColours::Grey:
            if (profiles == ProfileHandling::Keep) return SrgbConversion();
            return SrgbConversion::ForGrey(header.IccProfile);
    }
    return SrgbConversion();
}

}  // namespace

DecompressSession::DecompressSession(const std::uint8_t* data, std::size_t size)
    : state_(std::make_unique<LibraryState>()) {
    LibraryState& s = *state_;
    if (!ReadHeaderStep(s, data, size, ownHeader_, true)) ThrowFailure();
    const std::unique_ptr<JOCTET, decltype(&std::free)> icc(std::exchange(s.icc, nullptr), &std::free);
    // Nothing here fails a file: an orientation, a credit or a date that cannot be had is none.
    AppSegment segments[kMaxMetadataSegments];
    SegmentMetadata found = ReadSegmentMetadata({segments, MetadataSegmentsOf(s.info, segments)});
    ownHeader_.Orientation = found.Orientation;
    ownHeader_.Credit = std::move(found.Credit);
    ownHeader_.Date = std::move(found.Date);
    if (SwapsSides(ownHeader_.Orientation)) std::swap(ownHeader_.Width, ownHeader_.Height);
    if (icc != nullptr) {
        try {
            ownHeader_.IccProfile.assign(icc.get(), icc.get() + s.iccLength);
        } catch (const std::bad_alloc&) {
            throw EOutOfResources();
        }
    } else if (found.IsExifAdobeRgb && ownHeader_.Colours == JpegColours::Rgb) {
        // An embedded profile wins; without one, the camera's Exif is the only word on its colours.
        ownHeader_.IccProfile = AdobeRgbProfile();
    }
}

DecompressSession::DecompressSession(const std::uint8_t* data, std::size_t size, const JpegHeader& header)
    : state_(std::make_unique<LibraryState>()), header_(&header) {
    if (!ReadHeaderStep(*state_, data, size, ownHeader_, false)) ThrowFailure();
}

DecompressSession::~DecompressSession() = default;

JpegHeader DecompressSession::TakeHeader() { return std::move(ownHeader_); }

void DecompressSession::Start(ProfileHandling profiles, JpegDamage damage) {
    LibraryState& s = *state_;
    toSrgb_ = ConversionFor(Header(), profiles);
    s.toSrgb = toSrgb_.IsNone() ? nullptr : &toSrgb_;
    const bool isRefusing = damage == JpegDamage::Refuse;
    bool isWorthProbing = false;
    s.fault = CheckStep(s, isWorthProbing);
    if (s.fault != StepFault::None) ThrowFailure();
    // The library has read the first scan's header and stands at its data.
    const auto scanStart = static_cast<std::size_t>(s.info.src->next_input_byte - s.source.data);
    if (isWorthProbing && isRefusing && DoesFirstScanOutrunItsData(s.source.data, s.source.size, scanStart)) {
        End(s);
        s.fault = StepFault::TooLittleData;
        ThrowFailure();
    }
    s.fault = StartStep(s);
    if (s.fault != StepFault::None) ThrowFailure();
}

int DecompressSession::Width() const { return state_->width; }
int DecompressSession::Height() const { return state_->height; }
bool DecompressSession::IsGrayscale() const { return state_->isGrayscale; }

void DecompressSession::ReadRows(std::uint8_t* const* targets, const int* storedRows, int count) {
    LibraryState& s = *state_;
    if (s.fault != StepFault::None) ThrowFailure();
    const bool isRead = ReadRowsStep(s, targets, storedRows, count);
    // Rows not reached are made white, so a kept picture never shows what fresh storage held.
    const std::size_t rowBytes = static_cast<std::size_t>(Width()) * 3;
    for (int k = s.rowsDone; k < count; ++k) std::memset(targets[k], 0xFF, rowBytes);
    if (!isRead) ThrowFailure();
}

void DecompressSession::Finish(JpegDamage damage) {
    LibraryState& s = *state_;
    if (s.fault != StepFault::None) ThrowFailure();
    s.isRefusingDamage = damage == JpegDamage::Refuse;
    if (!FinishStep(s)) ThrowFailure();
}

void DecompressSession::ThrowIfRefused() const {
    const DamageVerdict& seen = state_->damage;
    if (state_->isRefusingDamage && seen.code != 0) throw EJPEG::Refused(seen.code, seen.text, seen.fault);
}

void DecompressSession::ThrowIfFailed() const {
    if (state_->fault != StepFault::None) ThrowFailure();
}

void DecompressSession::ThrowFailure() const {
    const LibraryState& s = *state_;
    switch (s.fault) {
        case StepFault::OutOfResources: throw EOutOfResources();
        // Refused as the library would refuse a file whose data ends before the picture does.
        case StepFault::TooLittleData:
            throw EJPEG::Refused(JWRN_JPEG_EOF, "Premature end of JPEG file", JpegDataFault::EndsEarly);
        case StepFault::Library:
        case StepFault::None: break;
    }
    throw EJPEG(s.errorCode, s.errorText, s.errorFault);
}

}  // namespace stampwise::jpeg_detail
