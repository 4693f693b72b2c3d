#include "sim_errors.h"

#include "imagers/imaq/imaq_api.h"

namespace fw::imaq_sim {

// The codes a capture program tells apart must be the ones the interface publishes.
static_assert(kErrNoMemory == fw::kImgErrNoMemory);
static_assert(kErrNotAcquiring == fw::kImgErrNotAcquiring);
static_assert(kErrAcquiring == fw::kImgErrAcquiring);
static_assert(kErrNoBufferHeld == fw::kImgErrNoBufferHeld);
static_assert(kErrTimeout == fw::kImgErrTimeout);

const char* errorText(std::int32_t error)
{
    switch (error) {
    case kOk:
        return "No error.";
    case kErrInvalidId:
        return "Invalid interface or session ID.";
    case kErrNullPointer:
        return "A required pointer parameter is NULL.";
    case kErrUnknownAttribute:
        return "Unknown attribute.";
    case kErrBadValue:
        return "Attribute value out of range.";
    case kErrReadOnly:
        return "The attribute is read only.";
    case kErrNotSupported:
        return "The attribute is not supported by this interface.";
    case kErrNoMemory:
        return "Not enough memory to create the buffer.";
    case kErrInterfaceNotFound:
        return "Interface not found.";
    case kErrInterfaceFault:
        return "The interface could not be opened: the board does not respond.";
    case kErrInvalidParameter:
        return "Invalid parameter.";
    case kErrBufferList:
        return "Invalid buffer list: a buffer is unknown, repeated, too small or of another session.";
    case kErrInvalidBuffer:
        return "Not a buffer created by this library.";
    case kErrBufferInUse:
        return "The buffer is in use by an acquisition.";
    case kErrAcquisition:
        return "Acquisition failed: the camera signal was lost.";
    case kErrBufferHeld:
        return "A buffer is already held; release it first.";
    case kErrIndexRange:
        return "No interface at this index.";
    case kErrUnknownCode:
        return "Unknown error code.";
    case kErrNotAcquiring:
        return "No acquisition in progress.";
    case kErrAcquiring:
        return "An acquisition is in progress.";
    case kErrNoBufferHeld:
        return "No buffer is held.";
    case kErrTimeout:
        return "Timed out waiting for the buffer.";
    default:
        return nullptr;
    }
}

} // namespace fw::imaq_sim
