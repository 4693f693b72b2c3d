// Hand-over requests come from another process; whatever arrives must parse without harm, and
// any name that parses must survive a round trip unchanged.
#include <cstdint>
#include <cstdlib>

#include "shell/handover_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray received(reinterpret_cast<const char*>(data), qsizetype(size));
    const fw::HandOverRequest request = fw::ParseHandOverRequest(received);
    if (request.kind == fw::HandOverRequest::Kind::Open) {
        const fw::HandOverRequest again = fw::ParseHandOverRequest(fw::FormatOpenRequest(request.file_name));
        if (again.kind != fw::HandOverRequest::Kind::Open || again.file_name != request.file_name)
            std::abort();
    }
    return 0;
}
