// The one place that decompresses. Settings, fixed for every picture: full scale, block smoothing,
// fancy upsampling and the floating-point inverse DCT (libjpeg-turbo's own default is the integer
// one, so it is set explicitly); RGB output for colour files; for grayscale files the library's
// one-pass quantizer with 236 colours and Floyd–Steinberg dithering, widened to grey RGB through its
// colour map. The result is what `djpeg -dct float` (with `-colors 236` for grayscale) prints.
//
// Rows go straight from libjpeg into the bitmap's storage: RGB output is already our byte order.
// The Exif orientation is read from the APP1 segments the library keeps while reading the header;
// the rows are turned after decoding, outside the library's frames.
// A reduction may take only the rows it samples (DecodeJpegSampledRows), and a job that touches
// each row once may take them in turn (JpegRowReader); the same settings and the same library
// state make those rows the full decode's, which the tests check layout by layout.
// Colour: the header read first gives the picture's colour space and its ICC profile (the library
// joins the APP2 chunks), from which the file's SrgbConversion is made before decoding starts, in
// the C++ frames; inside the library's frames it only converts rows. Four-component files are read
// as CMYK (the library turns YCCK into CMYK) into rows of the library's own pool and converted
// from there into the bitmap; an RGB file's rows are converted where they lie.
//
// Damage is judged after decoding, by the one rule in JpegErrorTrap.h, from the warnings the trap
// kept: the library has by then delivered every row it could (and, for a caller that refuses
// damage, read the markers after the last scan, where a decoder that lost its way in broken data
// finds the bytes it left), and the refusal is raised here, outside libjpeg's frames.
#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/ImageErrors.h"
#include "imaging/JpegErrorTrap.h"
#include "imaging/JpegImage.h"
#include "imaging/Raster.h"

namespace stampwise {

namespace {

using jpeg_detail::ArmTrap;
using jpeg_detail::DamageVerdict;
using jpeg_detail::ErrorTrap;

// Not a library message code: the picture is larger than kMaxPicturePixels or storage failed.
constexpr int kOutOfResourcesCode = -1;

// Rows per jpeg_read_scanlines call: the library's own batch, small against any picture.
constexpr int kRowsPerCall = 16;

// Everything the setjmp functions touch after a longjmp lives here, outside their own registers.
struct Decompression {
    jpeg_decompress_struct info;
    ErrorTrap trap;
    const SrgbConversion* toSrgb = nullptr;  // null when the rows need no conversion
    JSAMPARRAY inkRows = nullptr;            // kRowsPerCall rows of CMYK, for a four-component file
};

// How one decode ended: code 0, or the error's code with the library's words for it; and for a
// decode that got every row, whether the picture is damaged.
struct DecodeEnd {
    int code = 0;
    char errorText[JMSG_LENGTH_MAX] = {};
    JpegDataFault errorFault = JpegDataFault::None;
    DamageVerdict damage;
};

// At a setjmp's return: the library's error. Returns its code.
int KeepError(const Decompression& d, DecodeEnd& end) {
    end.code = d.trap.manager.msg_code;
    std::memcpy(end.errorText, d.trap.errorText, sizeof end.errorText);
    end.errorFault = jpeg_detail::FaultOfError(d.trap);
    return end.code;
}

// After the last row, for a caller that refuses damage: the markers up to the end of the data, so
// that bytes a lost decoder left behind, and a missing end marker, are seen. A second scan in a
// file read in one pass stops the library (it suspends), which ends this too.
void ReadToEnd(Decompression& d) {
    for (;;) {
        const int status = jpeg_consume_input(&d.info);
        if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) return;
    }
}

// A row of the library's own pool, as wide as one output row, for rows read only to be dropped.
JSAMPROW MakeScratchRow(Decompression& d) {
    return (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE,
                                       d.info.output_width * d.info.output_components, 1)[0];
}

void StartReading(Decompression& d, const std::uint8_t* data, std::size_t size) {
    d.info.err = ArmTrap(d.trap);
    jpeg_create_decompress(&d.info);
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    // Kept whole (a segment is at most 64 KiB) so that the Exif block can be parsed after the header,
    // and the ICC profile's chunks joined.
    jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF);
}

JpegColours ColoursOf(const jpeg_decompress_struct& info) {
    switch (info.jpeg_color_space) {
        case JCS_GRAYSCALE: return JpegColours::Grey;
        case JCS_CMYK:
        case JCS_YCCK: return info.saw_Adobe_marker ? JpegColours::InvertedCmyk : JpegColours::Cmyk;
        default: return JpegColours::Rgb;
    }
}

// The first Exif APP1 segment, or null; a file may also carry XMP or other APP1 blocks.
jpeg_saved_marker_ptr ExifMarkerOf(const jpeg_decompress_struct& info) noexcept {
    static constexpr char kExif[] = "Exif";
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < sizeof kExif) continue;
        if (std::memcmp(m->data, kExif, sizeof kExif) != 0) continue;
        return m;
    }
    return nullptr;
}

int OrientationOf(const jpeg_decompress_struct& info) noexcept {
    const jpeg_saved_marker_ptr m = ExifMarkerOf(info);
    return m == nullptr ? kOrientationAsStored : ReadExifOrientation(m->data, m->data_length);
}

// Returns 0 or the library's message code; icc is the profile the library allocated (the caller
// frees it), or null. No C++ object with a destructor may live in this frame.
int ReadHeaderInto(const std::uint8_t* data, std::size_t size, JpegHeader& header, DecodeEnd& end,
                   JOCTET*& icc, unsigned int& iccLength) {
    Decompression d;
    icc = nullptr;
    iccLength = 0;
    if (setjmp(d.trap.jump) != 0) {
        const int code = KeepError(d, end);
        jpeg_destroy_decompress(&d.info);
        return code;
    }
    StartReading(d, data, size);
    jpeg_read_header(&d.info, TRUE);
    header.Orientation = OrientationOf(d.info);
    // Neither throws: a credit that cannot be had is no credit.
    if (const jpeg_saved_marker_ptr m = ExifMarkerOf(d.info); m != nullptr) {
        header.Credit = ReadExifCredit(m->data, m->data_length);
    }
    header.Width = static_cast<int>(d.info.image_width);
    header.Height = static_cast<int>(d.info.image_height);
    if (SwapsSides(header.Orientation)) std::swap(header.Width, header.Height);
    header.Grayscale = d.info.jpeg_color_space == JCS_GRAYSCALE;
    header.Progressive = jpeg_has_multiple_scans(&d.info) != FALSE;
    for (int c = 0; c < d.info.num_components; ++c) {
        const jpeg_component_info& component = d.info.comp_info[c];
        header.Blocks += std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
    }
    header.Colours = ColoursOf(d.info);
    // Chunks that do not make one profile (missing, repeated, numbered past their count) only warn
    // and give none: the picture is then untagged.
    JOCTET* joined = nullptr;
    unsigned int joinedLength = 0;
    if (jpeg_read_icc_profile(&d.info, &joined, &joinedLength)) {
        icc = joined;
        iccLength = joinedLength;
    }
    jpeg_destroy_decompress(&d.info);
    return 0;
}

// Allocation may throw; the throw must not cross the setjmp frame or libjpeg, so it ends here.
bool TryAllocate(TBitmap& bitmap, int width, int height) noexcept {
    try {
        bitmap.Allocate(width, height);
        return true;
    } catch (...) {
        return false;
    }
}

// Rows not reached when the library stopped are made white, so the kept picture never shows
// whatever the fresh storage held.
void WhitenRows(TBitmap& bitmap, int firstRow, int endRow) {
    for (int y = firstRow; y < endRow; ++y) std::memset(bitmap.MutableScanLine(y), 0xFF, bitmap.RowBytes());
}
void WhitenRowsFrom(TBitmap& bitmap, int firstRow) { WhitenRows(bitmap, firstRow, bitmap.Height()); }

// Not a library message code: the file is too short for the picture its header announces.
constexpr int kTooLittleDataCode = -4;

// With Huffman coding every block of a scan costs at least one bit, so the data left after the
// first scan's header must hold that many bits for the scan's blocks. A few hundred bytes that
// announce 16384 × 16384 pixels would otherwise cost the picture's storage (and, progressive,
// every coefficient of it) before the data runs out. Arithmetic coding may spend less than a bit
// on a block, so it is not judged here.
bool HasDataForFirstScan(const jpeg_decompress_struct& info) {
    if (info.arith_code) return true;
    std::uint64_t blocks = 0;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        const jpeg_component_info* component = info.cur_comp_info[i];
        blocks += std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
    }
    return std::uint64_t{info.src->bytes_in_buffer} * 8 >= blocks;
}

// Reads the header and starts the library with the fixed settings. Returns 0, kTooLittleDataCode,
// or kOutOfResourcesCode for a picture beyond kMaxPicturePixels (the library then holds nothing of
// the picture's size yet); a library error longjmps to the caller's setjmp.
int StartWithFixedSettings(Decompression& d, const std::uint8_t* data, std::size_t size,
                           bool& isGrayscale) {
    StartReading(d, data, size);
    jpeg_read_header(&d.info, TRUE);

    // Four-component pixels reach the bitmap only through their conversion.
    const bool isInk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    const int convertedChannels = d.toSrgb == nullptr ? 3 : d.toSrgb->InputChannels();
    if (convertedChannels != (isInk ? 4 : 3)) ERREXIT(&d.info, JERR_CONVERSION_NOTIMPL);
    // Refused before jpeg_start_decompress, which already allocates buffers of the picture's width
    // (and, for progressive files, coefficients for the whole picture).
    if (std::int64_t{d.info.image_width} * d.info.image_height > kMaxPicturePixels) {
        return kOutOfResourcesCode;
    }
    if (!HasDataForFirstScan(d.info)) return kTooLittleDataCode;

    isGrayscale = d.info.jpeg_color_space == JCS_GRAYSCALE;
    d.info.scale_num = 1;
    d.info.scale_denom = 1;
    d.info.dct_method = JDCT_FLOAT;
    d.info.do_fancy_upsampling = TRUE;
    d.info.do_block_smoothing = TRUE;
    if (isGrayscale) {
        d.info.out_color_space = JCS_GRAYSCALE;
        d.info.quantize_colors = TRUE;
        d.info.desired_number_of_colors = JpegSettings::kQuantizedColors;
        d.info.two_pass_quantize = FALSE;
        d.info.dither_mode = JDITHER_FS;
    } else {
        d.info.out_color_space = isInk ? JCS_CMYK : JCS_RGB;
    }
    jpeg_start_decompress(&d.info);
    if (d.info.output_components != (isGrayscale ? 1 : isInk ? 4 : 3)) {
        ERREXIT(&d.info, JERR_CONVERSION_NOTIMPL);
    }
    if (isInk) {
        d.inkRows = (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE,
                                                d.info.output_width * 4, kRowsPerCall);
    }
    return 0;
}

// Up to count (at most kRowsPerCall) RGB rows into rows: straight from the library, converted in
// place when the file's profile asks for it, or read as CMYK into the ink rows and converted from
// there. Returns how many rows the library gave.
JDIMENSION ReadRgbRows(Decompression& d, JSAMPROW* rows, int count) {
    const JSAMPARRAY read = d.inkRows != nullptr ? d.inkRows : rows;
    const JDIMENSION got = jpeg_read_scanlines(&d.info, read, static_cast<JDIMENSION>(count));
    if (d.toSrgb != nullptr) {
        for (JDIMENSION i = 0; i < got; ++i) d.toSrgb->Convert(read[i], rows[i], d.info.output_width);
    }
    return got;
}

// Quantized output is one colour-map index per pixel; the map's single component is the grey.
JSAMPARRAY MakeIndexRow(Decompression& d) {
    return (*d.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.info), JPOOL_IMAGE,
                                       d.info.output_width, 1);
}

void WidenGreyRow(const Decompression& d, const JSAMPLE* indices, std::uint8_t* out) {
    const JSAMPLE* greys = d.info.colormap[0];
    const int width = static_cast<int>(d.info.output_width);
    for (int x = 0; x < width; ++x, out += 3) {
        const std::uint8_t g = greys[indices[x]];
        out[0] = g;
        out[1] = g;
        out[2] = g;
    }
}

// The stored picture, not yet turned; orientation is set once bitmap is sized, so a failure before
// that leaves it as stored (1) and the caller leaves the bitmap as it was.
// Returns 0 or an error code. No C++ object with a destructor may live in this frame.
int DecodeInto(const std::uint8_t* data, std::size_t size, const SrgbConversion* toSrgb,
               TBitmap& bitmap, int& orientation, bool isReadingToEnd, DecodeEnd& end) {
    Decompression d;
    d.toSrgb = toSrgb;
    volatile int rowsDone = -1;  // -1 until the bitmap is sized
    if (setjmp(d.trap.jump) != 0) {
        const int code = KeepError(d, end);
        jpeg_destroy_decompress(&d.info);
        if (rowsDone >= 0) WhitenRowsFrom(bitmap, rowsDone);
        return code;
    }
    bool isGrayscale = false;
    if (const int code = StartWithFixedSettings(d, data, size, isGrayscale); code != 0) {
        jpeg_destroy_decompress(&d.info);
        return code;
    }

    const int width = static_cast<int>(d.info.output_width);
    const int height = static_cast<int>(d.info.output_height);
    if (!TryAllocate(bitmap, width, height)) {
        jpeg_destroy_decompress(&d.info);
        return kOutOfResourcesCode;
    }
    rowsDone = 0;
    orientation = OrientationOf(d.info);

    if (isGrayscale) {
        JSAMPARRAY indexRow = MakeIndexRow(d);
        while (d.info.output_scanline < d.info.output_height) {
            if (jpeg_read_scanlines(&d.info, indexRow, 1) != 1) break;
            WidenGreyRow(d, indexRow[0], bitmap.MutableScanLine(rowsDone));
            rowsDone = rowsDone + 1;
        }
    } else {
        JSAMPROW rows[kRowsPerCall];
        while (d.info.output_scanline < d.info.output_height) {
            const int first = static_cast<int>(d.info.output_scanline);
            const int count = std::min(kRowsPerCall, height - first);
            for (int i = 0; i < count; ++i) rows[i] = bitmap.MutableScanLine(first + i);
            const JDIMENSION got = ReadRgbRows(d, rows, count);
            if (got == 0) break;
            rowsDone = first + static_cast<int>(got);
        }
    }
    // The memory source never suspends, so a short read cannot happen; should it, the rest is white.
    WhitenRowsFrom(bitmap, rowsDone);
    // Not jpeg_finish_decompress, which fails a file whose rows did not all come: the damage rule
    // decides about those.
    if (isReadingToEnd) ReadToEnd(d);
    end.damage = jpeg_detail::JudgeDamage(d.trap, d.info);
    jpeg_destroy_decompress(&d.info);
    return 0;
}

// Whether jpeg_skip_scanlines leaves the rows after a skip as reading would. It does not for every
// chroma layout: where a component is stretched vertically by more than 2, or by 2 with more than
// 2 across (luma sampled 3x2, 4x2, 1x3, 3x3, 1x4, 2x4 and the like), libjpeg-turbo 2.1 gives some
// rows after a skip different upsampled chroma. Those rare files are read row by row instead.
// Dithered grey rows pass their error on to the next row, so they are never skipped either.
bool CanSkipRows(const Decompression& d, bool isGrayscale) {
#if defined(LIBJPEG_TURBO_VERSION)
    if (isGrayscale) return false;
    // 4:2:0 pictures four pixels wide or less get other chroma after a skip too; narrow pictures
    // cost nothing to read whole, so the skip is left to the ones of a block's width and more.
    if (d.info.output_width < 16) return false;
    for (int c = 0; c < d.info.num_components; ++c) {
        const jpeg_component_info& component = d.info.comp_info[c];
        const int across = d.info.max_h_samp_factor / component.h_samp_factor;
        const int down = d.info.max_v_samp_factor / component.v_samp_factor;
        if (down != 1 && !(down == 2 && across <= 2)) return false;
    }
    return true;
#else
    (void)d;
    (void)isGrayscale;
    return false;
#endif
}

// Not a library message code: a row count outside 1 .. the picture's height.
constexpr int kBadRowCountCode = -2;

// With isBottomUp (a picture that is upright only turned top to bottom) row i is stored row
// height - 1 - NearestSourceIndex(i, rowCount, height): the stored rows are still read top to
// bottom, and fill the bitmap from its last row up. Mirroring left to right is the caller's.
// Returns 0 or an error code. No C++ object with a destructor may live in this frame.
int DecodeSampledInto(const std::uint8_t* data, std::size_t size, const SrgbConversion* toSrgb,
                      int rowCount, bool isBottomUp, TBitmap& bitmap, bool isReadingToEnd,
                      DecodeEnd& end) {
    Decompression d;
    d.toSrgb = toSrgb;
    volatile int rowsDone = -1;  // -1 until the bitmap is sized
    if (setjmp(d.trap.jump) != 0) {
        const int code = KeepError(d, end);
        jpeg_destroy_decompress(&d.info);
        if (rowsDone >= 0) {
            if (isBottomUp) {
                WhitenRows(bitmap, 0, rowCount - rowsDone);
            } else {
                WhitenRowsFrom(bitmap, rowsDone);
            }
        }
        return code;
    }
    bool isGrayscale = false;
    if (const int code = StartWithFixedSettings(d, data, size, isGrayscale); code != 0) {
        jpeg_destroy_decompress(&d.info);
        return code;
    }
    const int width = static_cast<int>(d.info.output_width);
    const int height = static_cast<int>(d.info.output_height);
    if (rowCount < 1 || rowCount > height) {
        jpeg_destroy_decompress(&d.info);
        return kBadRowCountCode;
    }
    if (!TryAllocate(bitmap, width, rowCount)) {
        jpeg_destroy_decompress(&d.info);
        return kOutOfResourcesCode;
    }
    rowsDone = 0;

    // With rowCount <= height the sampled rows strictly increase, so every row is read at most once.
    JSAMPARRAY indexRow = isGrayscale ? MakeIndexRow(d) : nullptr;
    const bool isSkipping = CanSkipRows(d, isGrayscale);
    for (int k = 0; k < rowCount; ++k) {
        const int i = isBottomUp ? rowCount - 1 - k : k;
        const int wanted = isBottomUp ? height - 1 - NearestSourceIndex(i, rowCount, height)
                                      : NearestSourceIndex(i, rowCount, height);
        const int next = static_cast<int>(d.info.output_scanline);
        if (wanted > next) {
#if defined(LIBJPEG_TURBO_VERSION)
            // Skipped rows still go through the entropy decoder and, within a block row, the
            // inverse DCT, so the rows around them come out as they would; only their colour
            // conversion is saved.
            if (isSkipping) jpeg_skip_scanlines(&d.info, static_cast<JDIMENSION>(wanted - next));
#endif
            while (static_cast<int>(d.info.output_scanline) < wanted) {
                JSAMPROW discard = isGrayscale             ? indexRow[0]
                                   : d.inkRows != nullptr ? d.inkRows[0]
                                                          : bitmap.MutableScanLine(i);
                if (jpeg_read_scanlines(&d.info, &discard, 1) != 1) break;
            }
        }
        if (static_cast<int>(d.info.output_scanline) != wanted) break;
        if (isGrayscale) {
            if (jpeg_read_scanlines(&d.info, indexRow, 1) != 1) break;
            WidenGreyRow(d, indexRow[0], bitmap.MutableScanLine(i));
        } else {
            JSAMPROW row = bitmap.MutableScanLine(i);
            if (ReadRgbRows(d, &row, 1) != 1) break;
        }
        rowsDone = k + 1;
    }
    if (isBottomUp) {
        WhitenRows(bitmap, 0, rowCount - rowsDone);
    } else {
        WhitenRowsFrom(bitmap, rowsDone);
    }
    // The rows below the last one sampled are decoded only to find damage there. Skipping to the
    // very end would decode nothing, so the skip stops one row short and that row is read.
    if (isReadingToEnd && rowsDone == rowCount) {
        JSAMPROW scratch = MakeScratchRow(d);
        while (d.info.output_scanline < d.info.output_height) {
#if defined(LIBJPEG_TURBO_VERSION)
            const JDIMENSION left = d.info.output_height - d.info.output_scanline;
            if (isSkipping && left > 1) jpeg_skip_scanlines(&d.info, left - 1);
#endif
            if (jpeg_read_scanlines(&d.info, &scratch, 1) != 1) break;
        }
        ReadToEnd(d);
    }
    // Not jpeg_finish_decompress, for the same reason as DecodeInto.
    end.damage = jpeg_detail::JudgeDamage(d.trap, d.info);
    jpeg_destroy_decompress(&d.info);
    return 0;
}

}  // namespace

namespace {

void ThrowForCode(int code, const DecodeEnd& end) {
    if (code == kOutOfResourcesCode) throw EOutOfResources();
    // Refused as the library would refuse a file whose data ends before the picture does.
    if (code == kTooLittleDataCode) {
        throw EJPEG::Refused(JWRN_JPEG_EOF, "Premature end of JPEG file", JpegDataFault::EndsEarly);
    }
    if (code == kBadRowCountCode) throw std::invalid_argument("DecodeJpegSampledRows: row count out of range");
    if (code != 0) throw EJPEG(code, end.errorText, end.errorFault);
}

void ThrowForDamage(JpegDamage damage, const DecodeEnd& end) {
    const DamageVerdict& seen = end.damage;
    if (damage == JpegDamage::Refuse && seen.code != 0) throw EJPEG::Refused(seen.code, seen.text, seen.fault);
}

}  // namespace

JpegHeader ReadJpegHeader(const std::uint8_t* data, std::size_t size) {
    JpegHeader header;
    DecodeEnd end;
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    const int code = ReadHeaderInto(data, size, header, end, icc, iccLength);
    if (code != 0) throw EJPEG(code, end.errorText, end.errorFault);
    if (icc != nullptr) {
        const std::unique_ptr<JOCTET, decltype(&std::free)> owned(icc, &std::free);
        try {
            header.IccProfile.assign(icc, icc + iccLength);
        } catch (const std::bad_alloc&) {
            throw EOutOfResources();
        }
    }
    return header;
}

namespace {

// The file's conversion to sRGB, made from its header before the library starts on its pixels.
SrgbConversion ConversionFor(const JpegHeader& header, ProfileHandling profiles) {
    switch (header.Colours) {
        case JpegColours::Rgb:
            if (profiles == ProfileHandling::Keep) return SrgbConversion();
            return SrgbConversion::ForRgb(header.IccProfile);
        case JpegColours::Cmyk: return SrgbConversion::ForCmyk(header.IccProfile, false);
        case JpegColours::InvertedCmyk: return SrgbConversion::ForCmyk(header.IccProfile, true);
        case JpegColours::Grey: break;
    }
    return SrgbConversion();
}

const SrgbConversion* NullWhenNone(const SrgbConversion& conversion) {
    return conversion.IsNone() ? nullptr : &conversion;
}

// A side swap makes the sampled rows stored columns: the stored picture is decoded whole and only
// the sampled rows of its upright form are gathered, which costs one picture, not two.
void SampleSwappedRows(const std::uint8_t* data, std::size_t size, const SrgbConversion* toSrgb,
                       int rowCount, TBitmap& bitmap, JpegDamage damage) {
    TBitmap stored;
    int orientation = kOrientationAsStored;
    DecodeEnd end;
    const int code =
        DecodeInto(data, size, toSrgb, stored, orientation, damage == JpegDamage::Refuse, end);
    if (stored.Empty()) ThrowForCode(code, end);
    const int width = stored.Height();
    const int height = stored.Width();
    if (rowCount < 1 || rowCount > height) ThrowForCode(kBadRowCountCode, end);
    std::vector<int> sampled(static_cast<std::size_t>(rowCount));
    for (int i = 0; i < rowCount; ++i) sampled[i] = NearestSourceIndex(i, rowCount, height);
    bitmap.Allocate(width, rowCount);
    CopyUprightRows(stored, orientation, sampled.data(), rowCount, bitmap);
    // A decoding error still leaves the rows got so far, as a full decode would.
    ThrowForCode(code, end);
    ThrowForDamage(damage, end);
}

}  // namespace

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& bitmap, JpegDamage damage,
                ProfileHandling profiles) {
    // A header error fails here as it would in DecodeInto, with the bitmap as it was.
    const SrgbConversion toSrgb = ConversionFor(ReadJpegHeader(data, size), profiles);
    int orientation = kOrientationAsStored;
    DecodeEnd end;
    const int code = DecodeInto(data, size, NullWhenNone(toSrgb), bitmap, orientation,
                                damage == JpegDamage::Refuse, end);
    // Also after an error once the bitmap is sized: the kept picture is then upright as well.
    TurnUpright(bitmap, orientation);
    ThrowForCode(code, end);
    ThrowForDamage(damage, end);
}

void DecodeJpegSampledRows(const std::uint8_t* data, std::size_t size, int rowCount, TBitmap& bitmap,
                           JpegDamage damage, ProfileHandling profiles) {
    const JpegHeader header = ReadJpegHeader(data, size);
    const int orientation = header.Orientation;
    const SrgbConversion toSrgb = ConversionFor(header, profiles);
    if (SwapsSides(orientation)) {
        SampleSwappedRows(data, size, NullWhenNone(toSrgb), rowCount, bitmap, damage);
        return;
    }
    // Into a fresh picture, so that one never sized (an error before the size was known) leaves
    // bitmap as it was rather than mirrored.
    TBitmap rows;
    const bool isBottomUp = orientation == 3 || orientation == 4;
    DecodeEnd end;
    const int code = DecodeSampledInto(data, size, NullWhenNone(toSrgb), rowCount, isBottomUp, rows,
                                       damage == JpegDamage::Refuse, end);
    if (!rows.Empty()) {
        if (orientation == 2 || orientation == 3) TurnUpright(rows, 2);  // mirrors any set of rows
        bitmap = std::move(rows);
    }
    ThrowForCode(code, end);
    ThrowForDamage(damage, end);
}

// The library's state lives on the heap, owned by the reader, so that each call can arm its own
// setjmp in a frame that holds no C++ object.
struct jpeg_detail::RowReaderState {
    SrgbConversion toSrgb;  // d.toSrgb points here when the rows are converted
    Decompression d;
    bool isLive = false;  // jpeg_create_decompress done and jpeg_destroy_decompress not yet
    int errorCode = 0;    // the failure that finished the reader, 0 while it is fine
    DecodeEnd end;        // its words, and the damage verdict once the last row is read
    bool isGrayscale = false;
    int width = 0;
    int height = 0;
    int nextRow = 0;
    bool isMirrored = false;  // orientation 2: every stored row is its upright row mirrored
    bool isRefusingDamage = false;
    JSAMPARRAY indexRow = nullptr;
};

namespace {

using RowState = jpeg_detail::RowReaderState;

void FinishRowReader(RowState& s, int code) {
    if (s.isLive) jpeg_destroy_decompress(&s.d.info);
    s.isLive = false;
    s.errorCode = code;
}

// Not a library message code: the file's orientation turns its rows out of their stored order.
constexpr int kRowOrderTurnedCode = -3;

// Returns 0 or an error code. No C++ object with a destructor may live in this frame.
int StartRowReader(RowState& s, const std::uint8_t* data, std::size_t size) {
    if (setjmp(s.d.trap.jump) != 0) {
        const int code = KeepError(s.d, s.end);
        FinishRowReader(s, code);
        return code;
    }
    s.isLive = true;
    bool isGrayscale = false;
    if (const int code = StartWithFixedSettings(s.d, data, size, isGrayscale); code != 0) {
        FinishRowReader(s, code);
        return code;
    }
    const int orientation = OrientationOf(s.d.info);
    if (!KeepsRowOrder(orientation)) {
        FinishRowReader(s, kRowOrderTurnedCode);
        return kRowOrderTurnedCode;
    }
    s.isMirrored = orientation != kOrientationAsStored;
    s.isGrayscale = isGrayscale;
    s.width = static_cast<int>(s.d.info.output_width);
    s.height = static_cast<int>(s.d.info.output_height);
    if (isGrayscale) s.indexRow = MakeIndexRow(s.d);
    return 0;
}

// Returns 0 or an error code; got is the number of rows delivered. No C++ object with a
// destructor may live in this frame.
void MirrorRow(std::uint8_t* row, int width) {
    std::uint8_t* left = row;
    std::uint8_t* right = row + static_cast<std::size_t>(width - 1) * 3;
    for (; left < right; left += 3, right -= 3) {
        std::swap(left[0], right[0]);
        std::swap(left[1], right[1]);
        std::swap(left[2], right[2]);
    }
}

int ReadRowsWithTrap(RowState& s, std::uint8_t* const* rows, int count, int& got) {
    got = 0;
    if (setjmp(s.d.trap.jump) != 0) {
        const int code = KeepError(s.d, s.end);
        FinishRowReader(s, code);
        return code;
    }
    const int wanted = std::min(count, s.height - s.nextRow);
    int done = 0;
    while (done < wanted) {
        if (s.isGrayscale) {
            if (jpeg_read_scanlines(&s.d.info, s.indexRow, 1) != 1) break;
            WidenGreyRow(s.d, s.indexRow[0], rows[done]);
            ++done;
        } else {
            JSAMPROW out[kRowsPerCall];
            const int chunk = std::min(wanted - done, kRowsPerCall);
            for (int i = 0; i < chunk; ++i) out[i] = rows[done + i];
            const JDIMENSION n = ReadRgbRows(s.d, out, chunk);
            if (n == 0) break;
            done += static_cast<int>(n);
        }
    }
    // The memory source never suspends; should the library stop short all the same, the rows it
    // did not give are white, as in DecodeJpeg's picture.
    for (int i = done; i < wanted; ++i) std::memset(rows[i], 0xFF, static_cast<std::size_t>(s.width) * 3);
    if (s.isMirrored) {
        for (int i = 0; i < wanted; ++i) MirrorRow(rows[i], s.width);
    }
    s.nextRow += wanted;
    got = wanted;
    if (s.nextRow >= s.height) {
        if (s.isRefusingDamage) ReadToEnd(s.d);
        s.end.damage = jpeg_detail::JudgeDamage(s.d.trap, s.d.info);
        FinishRowReader(s, 0);  // not jpeg_finish_decompress: see DecodeInto
    }
    return 0;
}

}  // namespace

JpegRowReader::JpegRowReader(const std::uint8_t* data, std::size_t size, JpegDamage damage,
                             ProfileHandling profiles)
    : state_(std::make_unique<jpeg_detail::RowReaderState>()) {
    state_->isRefusingDamage = damage == JpegDamage::Refuse;
    state_->toSrgb = ConversionFor(ReadJpegHeader(data, size), profiles);
    state_->d.toSrgb = NullWhenNone(state_->toSrgb);
    const int code = StartRowReader(*state_, data, size);
    if (code == kRowOrderTurnedCode) {
        throw std::invalid_argument("JpegRowReader: the orientation turns the rows out of their order");
    }
    ThrowForCode(code, state_->end);
}

JpegRowReader::~JpegRowReader() { FinishRowReader(*state_, state_->errorCode); }

int JpegRowReader::Width() const { return state_->width; }
int JpegRowReader::Height() const { return state_->height; }
bool JpegRowReader::IsGrayscale() const { return state_->isGrayscale; }
int JpegRowReader::NextRow() const { return state_->nextRow; }

int JpegRowReader::ReadRows(std::uint8_t* const* rows, int count) {
    jpeg_detail::RowReaderState& s = *state_;
    if (s.errorCode != 0) ThrowForCode(s.errorCode, s.end);
    if (count <= 0 || s.nextRow >= s.height) return 0;
    int got = 0;
    ThrowForCode(ReadRowsWithTrap(s, rows, count, got), s.end);
    if (s.nextRow >= s.height) {
        ThrowForDamage(s.isRefusingDamage ? JpegDamage::Refuse : JpegDamage::Tolerate, s.end);
    }
    return got;
}

}  // namespace stampwise
