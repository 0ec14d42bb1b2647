// The error manager both codec directions share. libjpeg reports an error by calling error_exit, which
// must not return; ours records nothing beyond the library's own msg_code and longjmps back to the
// function that armed the trap. That function keeps no C++ object with a destructor alive across
// setjmp and turns the code into EJPEG only after libjpeg's frames are gone.
//
// Warnings do not stop the library: it goes on with its own substitute data. The trap keeps the
// first warning that means the picture is damaged (data ended early, or the entropy-coded data is
// broken), with the library's wording, so that a caller that refuses damaged files can say why once
// decoding is over. Harmless warnings (extraneous bytes before a marker, and the like) are dropped.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace stampwise::jpeg_detail {

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so the library's err pointer is also a pointer to the trap
    std::jmp_buf jump;
    int damageCode = 0;               // 0 while no damaging warning was seen
    char damageText[JMSG_LENGTH_MAX] = {};
};

inline bool IsDamageWarning(int code) {
    return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE;
}

extern "C" {
inline void TrapErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}
// Level -1 is a warning; levels 0 and above are trace messages, which are never wanted.
inline void RecordWarning(j_common_ptr info, int level) {
    ErrorTrap* trap = reinterpret_cast<ErrorTrap*>(info->err);
    if (level >= 0 || trap->damageCode != 0 || !IsDamageWarning(trap->manager.msg_code)) return;
    trap->damageCode = trap->manager.msg_code;
    (*trap->manager.format_message)(info, trap->damageText);
}
inline void IgnoreOutput(j_common_ptr) {}
}

inline jpeg_error_mgr* ArmTrap(ErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = TrapErrorExit;
    manager->emit_message = RecordWarning;
    manager->output_message = IgnoreOutput;
    trap.damageCode = 0;
    trap.damageText[0] = '\0';
    return manager;
}

}  // namespace stampwise::jpeg_detail
