// The error manager both codec directions share, the data source of decompression, and the one
// rule that says when a decoded picture is damaged. libjpeg reports an error by calling error_exit,
// which must not return; ours formats the library's words into the trap and longjmps back to the
// function that armed it. That function keeps no C++ object with a destructor alive across setjmp
// and turns the code into EJPEG only after libjpeg's frames are gone.
//
// Warnings do not stop the library: it goes on with its own substitute data. The trap notes the
// ones that may mean damage, with the library's wording and where in the data they came, and
// JudgeDamage decides once the picture (and, for a caller that refuses damage, the markers after
// it) has been read:
// - broken entropy-coded data is damage: a bad Huffman or arithmetic code, a marker inside a
//   scan's data, a wrong restart marker, and stray bytes before a marker once the image data has
//   begun (a decoder that lost its way stops short of its data's end);
// - except a few fill bytes (0x00 or 0xFF) before the end-of-image marker itself, which some
//   writers leave as padding after a picture that decoded cleanly;
// - data that runs out is damage (rows or scans are missing), except when only the end-of-image
//   marker is missing: the decoder needed no data past the end, and the scans are complete (one
//   scan per component of a sequential file, or every coefficient of a progressive one refined to
//   its last bit). A Huffman decoder says when it needed bits past the end (and reads up to eight
//   bytes ahead, so where in the picture the data ran out tells nothing). An arithmetic decoder
//   takes zeros there by the standard's convention, since its writer leaves the code's trailing
//   zero bytes out; the data source lends it those zeros one at a time and counts them.
// Warnings in the header (junk between segments, and the like) never count.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/ImageErrors.h"

namespace stampwise::jpeg_detail {

// Stray bytes before the end-of-image marker that still count as a writer's padding, when they are
// fill bytes. Decoders that lost their way in damaged data leave tens to many thousands.
inline constexpr long kPaddingBytes = 16;
// The zero bytes past its data's end that a complete arithmetic-coded scan may ask for: the
// decoder's register holds two bytes ahead of what it has decided, and the writer leaves out the
// code's trailing zero bytes, which a picture ending in a flat stretch makes many of (complete
// scans of test pictures asked for 1 to 15, mostly 2). A scan cut short asks for zeros as long as
// its decoder runs on them: beyond this it is missing more than its last block or two (a band of
// grey), within it the two cannot be told apart.
inline constexpr int kArithmeticTailBytes = 16;

struct WarningSeen {
    int code = 0;  // 0 while there was none
    char text[JMSG_LENGTH_MAX] = {};
};

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so the library's err pointer is also a pointer to the trap
    std::jmp_buf jump;
    char errorText[JMSG_LENGTH_MAX] = {};  // the error's words, formatted before the jump
    WarningSeen damage;                    // the first warning that is damage whatever follows
    WarningSeen end;                       // the data ran out
};

// The bytes of one file as the library's data source. Past their end it gives what the library's
// own memory source gives (an end-of-image marker, with the warning that the data ran out), except
// to an arithmetic decoder inside a scan, which it lends zero bytes one at a time, the very data
// the decoder would take after a marker, and counts them.
struct DataSource {
    jpeg_source_mgr manager;  // first, so the library's src pointer is also a pointer to the source
    const JOCTET* data = nullptr;
    std::size_t size = 0;
    bool isEnded = false;   // the library asked for bytes past the data
    int zerosLent = 0;      // to the arithmetic-coded scan the data ended in
    bool isOverrun = false;  // that scan asked for more zeros than a complete one does
    // Then the step is over at once: a look ahead at a scan needs no more (JpegScanProbe.h).
    bool isStoppingAtOverrun = false;
};

// How a trapped step of either direction ended. Only Library is the library's own error (its
// message code and words are in the trap); the others are the system's refusals, which have no
// message code of the library's.
enum class StepFault {
    None,
    Library,
    OutOfResources,  // a picture beyond kMaxPicturePixels, or storage that could not be had
    TooLittleData,   // the data cannot hold the scans its header announces
};

// What JudgeDamage found: code 0 for a picture that is whole.
struct DamageVerdict {
    int code = 0;
    char text[JMSG_LENGTH_MAX] = {};
    JpegDataFault fault = JpegDataFault::None;
};

inline void KeepWarning(j_common_ptr info, WarningSeen& seen) {
    if (seen.code != 0) return;
    seen.code = info->err->msg_code;
    (*info->err->format_message)(info, seen.text);
}

// Whether the count bytes the library passed over before the end-of-image marker it is reading
// are fill bytes. When it warns, the source stands right after the last of them. It passes over
// single bytes other than 0xFF, and 0xFF runs ending in a zero (two bytes by its count), so
// walking back, every one of them ends in a zero when they are fill. Bytes the Huffman decoder had
// read ahead count one each, an 0xFF 0x00 pair among them too, so the walk may take a little more
// than count: all of it must be fill. Zeros the source lent are no padding.
inline bool AreFillBytesBeforeEnd(j_decompress_ptr d, long count) {
    const DataSource* source = reinterpret_cast<const DataSource*>(d->src);
    const JOCTET* begin = source->data;
    const JOCTET* at = d->src->next_input_byte;
    const auto address = [](const JOCTET* p) { return reinterpret_cast<std::uintptr_t>(p); };
    if (address(at) < address(begin) || address(at) > address(begin) + source->size) return false;
    for (long passed = 0; passed < count;) {
        if (at == begin || *--at != 0x00) return false;
        if (at > begin && at[-1] == 0xFF) {
            while (at > begin && at[-1] == 0xFF) --at;
            passed += 2;
        } else {
            passed += 1;
        }
    }
    return true;
}

extern "C" {
inline void TrapErrorExit(j_common_ptr info) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->errorText);
    std::longjmp(trap->jump, 1);
}

// Level -1 is a warning; levels 0 and above are trace messages, which are never wanted.
inline void RecordWarning(j_common_ptr info, int level) {
    if (level >= 0 || !info->is_decompressor) return;
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
    const j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(info);
    const bool isInImageData = d->input_scan_number > 0;
    switch (info->err->msg_code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_ARITH_BAD_CODE:
        case JWRN_MUST_RESYNC:
            KeepWarning(info, trap->damage);
            return;
        case JWRN_EXTRANEOUS_DATA: {
            if (!isInImageData) return;
            const long count = info->err->msg_parm.i[0];
            const bool isBeforeEnd = info->err->msg_parm.i[1] == JPEG_EOI;
            if (!(isBeforeEnd && count <= kPaddingBytes && AreFillBytesBeforeEnd(d, count))) {
                KeepWarning(info, trap->damage);
            }
            return;
        }
        case JWRN_JPEG_EOF:
            KeepWarning(info, trap->end);
            return;
        default:
            return;
    }
}
inline void IgnoreOutput(j_common_ptr) {}

inline void StartSource(j_decompress_ptr) {}
inline void EndSource(j_decompress_ptr) {}

inline boolean GiveMoreInput(j_decompress_ptr d) {
    static const JOCTET kEndMarker[] = {0xFF, JPEG_EOI};
    static const JOCTET kZero[] = {0x00};
    DataSource* source = reinterpret_cast<DataSource*>(d->src);
    if (!source->isEnded) {
        source->isEnded = true;
        WARNMS(d, JWRN_JPEG_EOF);
    }
    const bool isInArithmeticScan =
        d->arith_code && d->input_scan_number > 0 && d->input_iMCU_row < d->total_iMCU_rows;
    if (isInArithmeticScan && !source->isOverrun) {
        if (source->zerosLent < kArithmeticTailBytes) {
            ++source->zerosLent;
            d->src->next_input_byte = kZero;
            d->src->bytes_in_buffer = sizeof kZero;
            return TRUE;
        }
        source->isOverrun = true;
        if (source->isStoppingAtOverrun) std::longjmp(reinterpret_cast<ErrorTrap*>(d->err)->jump, 1);
    }
    d->src->next_input_byte = kEndMarker;
    d->src->bytes_in_buffer = sizeof kEndMarker;
    return TRUE;
}

inline void SkipInput(j_decompress_ptr d, long count) {
    if (count <= 0) return;
    while (count > static_cast<long>(d->src->bytes_in_buffer)) {
        count -= static_cast<long>(d->src->bytes_in_buffer);
        (void)GiveMoreInput(d);
    }
    d->src->next_input_byte += count;
    d->src->bytes_in_buffer -= static_cast<std::size_t>(count);
}
}

// Makes source, over size bytes at data, the decompressor's data source. Empty data is the
// library's error, as with its own memory source.
inline void UseDataSource(jpeg_decompress_struct& info, DataSource& source, const std::uint8_t* data,
                          std::size_t size) {
    if (data == nullptr || size == 0) ERREXIT(&info, JERR_INPUT_EMPTY);
    source = DataSource{};
    source.data = data;
    source.size = size;
    source.manager.next_input_byte = data;
    source.manager.bytes_in_buffer = size;
    source.manager.init_source = StartSource;
    source.manager.fill_input_buffer = GiveMoreInput;
    source.manager.skip_input_data = SkipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = EndSource;
    info.src = &source.manager;
}

inline jpeg_error_mgr* ArmTrap(ErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = TrapErrorExit;
    manager->emit_message = RecordWarning;
    manager->output_message = IgnoreOutput;
    trap.errorText[0] = '\0';
    trap.damage = WarningSeen{};
    trap.end = WarningSeen{};
    return manager;
}

// Whether the scans read so far make the whole picture: in a sequential file every component has
// had its scan (the library keeps a component's quantization table from its first scan on); in a
// progressive one every coefficient of every component is refined to its last bit.
inline bool AreScansComplete(jpeg_decompress_struct& info) {
    if (!info.progressive_mode) {
        for (int c = 0; c < info.num_components; ++c) {
            if (info.comp_info[c].quant_table == nullptr) return false;
        }
        return true;
    }
    if (info.coef_bits == nullptr) return false;
    for (int c = 0; c < info.num_components; ++c) {
        for (int k = 0; k < DCTSIZE2; ++k) {
            if (info.coef_bits[c][k] != 0) return false;
        }
    }
    return true;
}

// The decode is over (every row delivered; for a refusing caller, the markers after the last scan
// read as well): whether the picture is damaged, and the library's words for it.
inline DamageVerdict JudgeDamage(const ErrorTrap& trap, const DataSource& source,
                                 jpeg_decompress_struct& info) {
    DamageVerdict verdict;
    const WarningSeen* seen = nullptr;
    // A Huffman decoder that needed bits past the end meets the end's marker inside the scan
    // (JWRN_HIT_MARKER): the data was cut, and that is said as the end's doing.
    const bool isOnlyEndMissing = trap.damage.code == 0 && !source.isOverrun && AreScansComplete(info);
    if (trap.end.code != 0 && !isOnlyEndMissing) {
        seen = &trap.end;
        verdict.fault = JpegDataFault::EndsEarly;
    } else if (trap.damage.code != 0) {
        seen = &trap.damage;
        verdict.fault = JpegDataFault::Damaged;
    }
    if (seen == nullptr) return verdict;
    verdict.code = seen->code;
    std::memcpy(verdict.text, seen->text, sizeof verdict.text);
    return verdict;
}

// A library error stopped the decode: whether the data had run out before it.
inline JpegDataFault FaultOfError(const ErrorTrap& trap) {
    if (trap.end.code != 0 || trap.manager.msg_code == JERR_INPUT_EMPTY ||
        trap.manager.msg_code == JERR_INPUT_EOF) {
        return JpegDataFault::EndsEarly;
    }
    return trap.damage.code != 0 ? JpegDataFault::Damaged : JpegDataFault::None;
}

}  // namespace stampwise::jpeg_detail
