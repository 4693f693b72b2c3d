// The frame-grabber entry points the library exports, each handed to the one simulated grabber.

#include "imagers/imaq/imaq_api.h"
#include "sim_errors.h"
#include "sim_grabber.h"

#define FW_IMAQ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using fw::imaq_sim::SimGrabber;

SimGrabber& grabber()
{
    return SimGrabber::instance();
}

void copyText(const char* text, char* out, std::size_t size)
{
    std::size_t i = 0;
    for (; text[i] != '\0' && i + 1 < size; ++i)
        out[i] = text[i];
    out[i] = '\0';
}

} // namespace

FW_IMAQ_EXPORT int32_t imgInterfaceOpen(const char* name, uint32_t* interface_id)
{
    return grabber().interfaceOpen(name, interface_id);
}

FW_IMAQ_EXPORT int32_t imgInterfaceReset(uint32_t interface_id)
{
    return grabber().interfaceReset(interface_id);
}

FW_IMAQ_EXPORT int32_t imgSessionOpen(uint32_t interface_id, uint32_t* session_id)
{
    return grabber().sessionOpen(interface_id, session_id);
}

FW_IMAQ_EXPORT int32_t imgGetAttribute(uint32_t session_id, uint32_t attribute, uint32_t* value)
{
    return grabber().getAttribute(session_id, attribute, value);
}

FW_IMAQ_EXPORT int32_t imgSetAttribute(uint32_t session_id, uint32_t attribute, uint32_t value)
{
    return grabber().setAttribute(session_id, attribute, value);
}

FW_IMAQ_EXPORT int32_t imgCreateBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer)
{
    return grabber().createBuffer(session_id, where, size, buffer);
}

FW_IMAQ_EXPORT int32_t imgRingSetup(uint32_t session_id, uint32_t buffer_count, void** buffer_list,
    uint32_t frames_to_skip, uint32_t start_now)
{
    return grabber().ringSetup(session_id, buffer_count, buffer_list, frames_to_skip, start_now);
}

FW_IMAQ_EXPORT int32_t imgSessionExamineBuffer(
    uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer)
{
    return grabber().examineBuffer(session_id, wanted, given, buffer);
}

FW_IMAQ_EXPORT int32_t imgSessionReleaseBuffer(uint32_t session_id)
{
    return grabber().releaseBuffer(session_id);
}

FW_IMAQ_EXPORT int32_t imgSessionStatus(uint32_t session_id, uint32_t* acquiring, uint32_t* buffer_number)
{
    return grabber().status(session_id, acquiring, buffer_number);
}

FW_IMAQ_EXPORT int32_t imgSessionStopAcquisition(uint32_t session_id)
{
    return grabber().stopAcquisition(session_id);
}

FW_IMAQ_EXPORT int32_t imgSessionGetLostFramesList(uint32_t session_id, uint32_t* list, uint32_t count)
{
    return grabber().lostFramesList(session_id, list, count);
}

FW_IMAQ_EXPORT int32_t imgDisposeBuffer(void* buffer)
{
    return grabber().disposeBuffer(buffer);
}

FW_IMAQ_EXPORT int32_t imgClose(uint32_t id, uint32_t free_resources)
{
    return grabber().close(id, free_resources);
}

// An unknown code still gets a text, so that whoever shows it has something to show.
FW_IMAQ_EXPORT int32_t imgShowError(int32_t code, char* text)
{
    if (text == nullptr)
        return fw::imaq_sim::kErrNullPointer;
    const char* known = fw::imaq_sim::errorText(code);
    copyText(known != nullptr ? known : fw::imaq_sim::errorText(fw::imaq_sim::kErrUnknownCode), text,
        fw::kImgErrorTextSize);
    return known != nullptr ? fw::imaq_sim::kOk : fw::imaq_sim::kErrUnknownCode;
}

FW_IMAQ_EXPORT int32_t imgInterfaceQueryNames(uint32_t index, char* name)
{
    if (name == nullptr)
        return fw::imaq_sim::kErrNullPointer;
    if (index >= std::size(fw::imaq_sim::kBoards))
        return fw::imaq_sim::kErrIndexRange;
    copyText(fw::imaq_sim::kBoards[index].name, name, fw::kImgInterfaceNameSize);
    return fw::imaq_sim::kOk;
}

// Not a grabber entry point: the frame a session would deliver as camera frame `frame` with its
// present attributes, for tests that check what a capture stored.
FW_IMAQ_EXPORT int32_t fwImaqSimRenderFrame(uint32_t session_id, uint32_t frame, void* out, uint32_t size)
{
    return grabber().renderFrame(session_id, frame, out, size);
}
