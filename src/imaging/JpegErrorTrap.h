// The error manager both codec directions share, and the one rule that says when a decoded picture
// is damaged. libjpeg reports an error by calling error_exit, which must not return; ours formats
// the library's words into the trap and longjmps back to the function that armed it. That function
// keeps no C++ object with a destructor alive across setjmp and turns the code into EJPEG only
// after libjpeg's frames are gone.
//
// Warnings do not stop the library: it goes on with its own substitute data. The trap notes the
// ones that may mean damage, with the library's wording and where in the data they came, and
// JudgeDamage decides once the picture (and, for a caller that refuses damage, the markers after
// it) has been read:
// - broken entropy-coded data is damage: a bad Huffman or arithmetic code, a marker inside a
//   scan's data, a wrong restart marker, and stray bytes before a marker once the image data has
//   begun (a decoder that lost its way stops short of its data's end);
// - except a few stray bytes before the end-of-image marker itself, which some writers leave as
//   padding after a picture that decoded cleanly;
// - data that runs out is damage (rows or scans are missing), except when only the end-of-image
//   marker is missing: the data ran out in the last row of blocks of a scan or after it, and the
//   scans are complete (the only scan of a sequential file, or every coefficient of a progressive
//   one refined to its last bit).
// Warnings in the header (junk between segments, and the like) never count.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

// jpeglib.h first: its configuration decides which of jerror.h's codes exist.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/ImageErrors.h"

namespace stampwise::jpeg_detail {

// Stray bytes before the end-of-image marker that still count as a writer's padding. Decoders that
// lost their way in damaged data leave tens to many thousands.
inline constexpr long kPaddingBytes = 16;

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
    bool isEndAtTail = false;              // … in the last row of blocks of a scan, or after it
};

// How a trapped step of either direction ended. Only Library is the library's own error (its
// message code and words are in the trap); the others are the system's refusals, which have no
// message code of the library's.
enum class StepFault {
    None,
    Library,
    OutOfResources,  // a picture beyond kMaxPicturePixels, or storage that could not be had
    TooLittleData,   // the data cannot hold the first scan its header announces
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
            if (!(isBeforeEnd && count <= kPaddingBytes)) KeepWarning(info, trap->damage);
            return;
        }
        case JWRN_JPEG_EOF:
            if (trap->end.code == 0) {
                trap->isEndAtTail =
                    isInImageData && d->total_iMCU_rows > 0 && d->input_iMCU_row + 1 >= d->total_iMCU_rows;
            }
            KeepWarning(info, trap->end);
            return;
        default:
            return;
    }
}
inline void IgnoreOutput(j_common_ptr) {}
}

inline jpeg_error_mgr* ArmTrap(ErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = TrapErrorExit;
    manager->emit_message = RecordWarning;
    manager->output_message = IgnoreOutput;
    trap.errorText[0] = '\0';
    trap.damage = WarningSeen{};
    trap.end = WarningSeen{};
    trap.isEndAtTail = false;
    return manager;
}

// Whether the scans read so far make the whole picture: a sequential file has one scan for every
// component together (a file that sends its components in separate scans cannot show that none is
// missing, so it does not count as complete); a progressive one has every coefficient of every
// component refined to its last bit.
inline bool AreScansComplete(jpeg_decompress_struct& info) {
    if (!info.progressive_mode) return jpeg_has_multiple_scans(&info) == FALSE;
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
inline DamageVerdict JudgeDamage(const ErrorTrap& trap, jpeg_decompress_struct& info) {
    DamageVerdict verdict;
    const WarningSeen* seen = nullptr;
    // Data that ran out also breaks the scan it ran out in (the decoder meets the end's marker in
    // the middle of it): that is the end's doing, and said as such.
    const bool isEndOnly = trap.damage.code == 0 || trap.damage.code == JWRN_HIT_MARKER;
    if (trap.end.code != 0 && !(isEndOnly && trap.isEndAtTail && AreScansComplete(info))) {
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
