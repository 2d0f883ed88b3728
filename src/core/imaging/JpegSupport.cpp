#include "JpegSupport.h"

#include "JpegCodec.h"

namespace zel {

namespace jpeg {

std::atomic<int> liveCodecs{0};

namespace {

extern "C" void onFatalError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings and trace messages are not shown: a picture the library can
// recover from is taken as it comes.
extern "C" void onMessage(j_common_ptr, int) {}
extern "C" void onOutputMessage(j_common_ptr) {}

} // namespace

jpeg_error_mgr *installErrorManager(ErrorManager &err)
{
    jpeg_error_mgr *pub = jpeg_std_error(&err.pub);
    pub->error_exit = onFatalError;
    pub->emit_message = onMessage;
    pub->output_message = onOutputMessage;
    return pub;
}

void raise(j_common_ptr cinfo, int ownFailure)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    err->ownFailure = ownFailure;
    err->code = 0;
    std::longjmp(err->jump, 1);
}

} // namespace jpeg

QString jpegErrorText(int messageCode)
{
    return QStringLiteral("JPEG ｴﾗｰ #%1").arg(messageCode);
}

int liveJpegCodecs()
{
    return jpeg::liveCodecs.load();
}

} // namespace zel
