#include "genicam_errors.h"

#include <cstdio>
#include <map>
#include <mutex>

#include <glib.h>

namespace fw::imaq_genicam {

namespace {

std::mutex reasons_mutex;
std::map<int32_t, std::string> reasons;

} // namespace

const char* ErrorText(int32_t code)
{
    switch (code) {
    case kOk:
        return "No error.";
    case kImgErrNoBufferMemory:
        return "Not enough memory for another frame buffer.";
    case kImgErrNotAcquiring:
        return "The session is not acquiring.";
    case kImgErrAcquiring:
        return "The session is acquiring; stop it first.";
    case kImgErrNoBufferHeld:
        return "No frame buffer is held.";
    case kImgErrTimeout:
        return "No frame came from the camera within the time-out.";
    case kErrNullPointer:
        return "A required pointer argument is null.";
    case kErrUnknownInterface:
        return "No open camera has this interface identifier.";
    case kErrUnknownSession:
        return "No open session has this identifier.";
    case kErrNoSuchCamera:
        return "No camera has this index.";
    case kErrCameraOpen:
        return "The camera could not be opened.";
    case kErrCameraSetting:
        return "The camera refused a setting.";
    case kErrNoPixelFormat:
        return "The camera offers none of the pixel formats Mono8, BGR8 and RGB8.";
    case kErrUnknownAttribute:
        return "Unknown attribute.";
    case kErrAttributeValue:
        return "The attribute does not take this value.";
    case kErrReadOnlyAttribute:
        return "The attribute can only be read.";
    case kErrNoRing:
        return "No buffer ring is set up.";
    case kErrUnknownBuffer:
        return "The buffer was not created by imgCreateBuffer or was already disposed.";
    case kErrBufferTooSmall:
        return "A ring buffer is smaller than a frame.";
    case kErrBufferHeld:
        return "A frame buffer is still held; release it first.";
    case kErrSessionOpen:
        return "The camera already has an open session.";
    case kErrStream:
        return "The camera's video stream could not be started.";
    case kErrBufferInUse:
        return "The buffer belongs to a ring that is acquiring.";
    case kErrBufferLocation:
        return "Buffers can only be created in system memory.";
    case kErrFrameFormat:
        return "The camera delivered a frame of another size or pixel format than was set up.";
    case kErrBadArgument:
        return "An argument is out of range.";
    case kErrCameraLost:
        return "The connection to the camera was lost.";
    default:
        return nullptr;
    }
}

std::string Reason(const GError* error)
{
    if (error == nullptr || error->message == nullptr)
        return {};
    return std::string("Aravis: ") + error->message;
}

int32_t Fail(int32_t code, const std::string& reason)
{
    std::lock_guard lock(reasons_mutex);
    if (reason.empty())
        reasons.erase(code);
    else
        reasons[code] = reason;
    return code;
}

std::string ErrorMessage(int32_t code)
{
    const char* text = ErrorText(code);
    if (text == nullptr) {
        char unknown[64];
        std::snprintf(unknown, sizeof unknown, "Unknown error code 0x%08X.", static_cast<uint32_t>(code));
        return unknown;
    }
    std::string message = text;
    std::lock_guard lock(reasons_mutex);
    if (const auto found = reasons.find(code); found != reasons.end())
        message += " " + found->second;
    return message;
}

} // namespace fw::imaq_genicam
