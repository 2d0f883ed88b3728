#pragma once

// Shared by the JPEG decoder and encoder: the error manager and the count of
// live codec objects. libjpeg reports fatal errors by calling error_exit,
// which must not return; ours jumps back with longjmp into the stage function
// that called the library. Stage functions hold no C++ objects with
// destructors, so the jump never skips one; the codec object itself is
// destroyed by its owner in ordinary C++ code.

#include <atomic>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace zel::jpeg {

struct ErrorManager {
    jpeg_error_mgr pub; // first, so that libjpeg's pointer is ours too
    std::jmp_buf jump;
    int code = 0;
    // Set by our own callbacks when they give up (a device that fails, too
    // many scans); 0 when the library itself raised the error.
    int ownFailure = 0;
};

enum OwnFailure { DeviceWriteFailed = 1, TooManyScans = 2 };

// Installs the handlers on err and returns the pointer libjpeg wants.
jpeg_error_mgr *installErrorManager(ErrorManager &err);

// Raises a fatal error from one of our own callbacks.
[[noreturn]] void raise(j_common_ptr cinfo, int ownFailure);

extern std::atomic<int> liveCodecs;

} // namespace zel::jpeg
