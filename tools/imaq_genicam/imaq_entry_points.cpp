// The grabber entry points the library exports, over the registry of cameras, sessions and
// buffers. Every call answers 0 or a negative code, whatever its arguments.

#include <algorithm>
#include <cstring>
#include <string>

#include "camera_list.h"
#include "genicam_errors.h"
#include "grabber_registry.h"

#define FW_IMAQ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using fw::imaq_genicam::Fail;
using fw::imaq_genicam::GrabberRegistry;
using fw::imaq_genicam::GrabberSession;
using fw::imaq_genicam::kErrNullPointer;
using fw::imaq_genicam::kErrUnknownSession;

GrabberRegistry& registry()
{
    return GrabberRegistry::instance();
}

template <typename Operation> int32_t withSession(uint32_t session_id, Operation operation)
{
    const std::shared_ptr<GrabberSession> session = registry().session(session_id);
    if (!session)
        return Fail(kErrUnknownSession);
    return operation(*session);
}

// Copies text into a fixed buffer with its terminating zero, never cutting a UTF-8 character.
void CopyText(const std::string& text, char* target, size_t target_size)
{
    size_t length = std::min(text.size(), target_size - 1);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

} // namespace

FW_IMAQ_EXPORT int32_t imgInterfaceOpen(const char* name, uint32_t* interface_id)
{
    return registry().openInterface(name, interface_id);
}

FW_IMAQ_EXPORT int32_t imgInterfaceReset(uint32_t interface_id)
{
    return registry().resetInterface(interface_id);
}

FW_IMAQ_EXPORT int32_t imgSessionOpen(uint32_t interface_id, uint32_t* session_id)
{
    return registry().openSession(interface_id, session_id);
}

FW_IMAQ_EXPORT int32_t imgGetAttribute(uint32_t session_id, uint32_t attribute, uint32_t* value)
{
    return withSession(
        session_id, [&](GrabberSession& session) { return session.getAttribute(attribute, value); });
}

FW_IMAQ_EXPORT int32_t imgSetAttribute(uint32_t session_id, uint32_t attribute, uint32_t value)
{
    return withSession(
        session_id, [&](GrabberSession& session) { return session.setAttribute(attribute, value); });
}

FW_IMAQ_EXPORT int32_t imgCreateBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer)
{
    return registry().createBuffer(session_id, where, size, buffer);
}

FW_IMAQ_EXPORT int32_t imgRingSetup(uint32_t session_id, uint32_t buffer_count, void** buffer_list,
    uint32_t frames_to_skip, uint32_t start_now)
{
    return withSession(session_id, [&](GrabberSession& session) {
        std::vector<fw::imaq_genicam::RingEntry> entries;
        const int32_t result = registry().ringEntries(buffer_count, buffer_list, entries);
        if (result != fw::imaq_genicam::kOk)
            return result;
        return session.setupRing(std::move(entries), frames_to_skip, start_now != 0);
    });
}

FW_IMAQ_EXPORT int32_t imgSessionExamineBuffer(
    uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer)
{
    return withSession(
        session_id, [&](GrabberSession& session) { return session.examine(wanted, given, buffer); });
}

FW_IMAQ_EXPORT int32_t imgSessionReleaseBuffer(uint32_t session_id)
{
    return withSession(session_id, [](GrabberSession& session) { return session.release(); });
}

FW_IMAQ_EXPORT int32_t imgSessionStatus(uint32_t session_id, uint32_t* acquiring, uint32_t* buffer_number)
{
    return withSession(
        session_id, [&](GrabberSession& session) { return session.status(acquiring, buffer_number); });
}

FW_IMAQ_EXPORT int32_t imgSessionStopAcquisition(uint32_t session_id)
{
    return withSession(session_id, [](GrabberSession& session) { return session.stop(); });
}

FW_IMAQ_EXPORT int32_t imgSessionGetLostFramesList(uint32_t session_id, uint32_t* list, uint32_t count)
{
    return withSession(session_id, [&](GrabberSession& session) { return session.lostFrames(list, count); });
}

FW_IMAQ_EXPORT int32_t imgDisposeBuffer(void* buffer)
{
    return registry().disposeBuffer(buffer);
}

FW_IMAQ_EXPORT int32_t imgClose(uint32_t id, uint32_t free_resources)
{
    return registry().close(id, free_resources != 0);
}

FW_IMAQ_EXPORT int32_t imgShowError(int32_t code, char* text)
{
    if (text == nullptr)
        return Fail(kErrNullPointer);
    CopyText(fw::imaq_genicam::ErrorMessage(code), text, fw::kImgErrorTextSize);
    return fw::imaq_genicam::kOk;
}

FW_IMAQ_EXPORT int32_t imgInterfaceQueryNames(uint32_t index, char* name)
{
    if (name == nullptr)
        return Fail(kErrNullPointer);
    const std::optional<std::string> id = fw::imaq_genicam::CameraIdAt(index);
    if (!id) {
        name[0] = '\0';
        return Fail(fw::imaq_genicam::kErrNoSuchCamera);
    }
    CopyText(*id, name, fw::kImgInterfaceNameSize);
    return fw::imaq_genicam::kOk;
}
