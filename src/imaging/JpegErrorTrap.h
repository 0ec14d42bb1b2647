// The error manager both codec directions share. libjpeg reports an error by calling error_exit, which
// must not return; ours records nothing beyond the library's own msg_code and longjmps back to the
// function that armed the trap. That function keeps no C++ object with a destructor alive across
// setjmp and turns the code into EJPEG only after libjpeg's frames are gone.
//
// Warnings (corrupt data, premature end, extraneous bytes) are dropped: the library goes on with its
// own substitute data, which is what the picture gets.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace stampwise::jpeg_detail {

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so the library's err pointer is also a pointer to the trap
    std::jmp_buf jump;
};

extern "C" {
inline void TrapErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}
inline void IgnoreMessage(j_common_ptr, int) {}
inline void IgnoreOutput(j_common_ptr) {}
}

inline jpeg_error_mgr* ArmTrap(ErrorTrap& trap) {
    jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
    manager->error_exit = TrapErrorExit;
    manager->emit_message = IgnoreMessage;
    manager->output_message = IgnoreOutput;
    return manager;
}

}  // namespace stampwise::jpeg_detail
