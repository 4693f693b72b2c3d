#include "grabber_registry.h"

#include <cstdlib>

#include <unistd.h>

#include "genicam_errors.h"

namespace fw::imaq_genicam {

GrabberRegistry& GrabberRegistry::instance()
{
    static GrabberRegistry registry;
    return registry;
}

uint32_t GrabberRegistry::newId()
{
    do
        ++last_id_;
    while (last_id_ == 0 || interfaces_.count(last_id_) != 0 || sessions_.count(last_id_) != 0);
    return last_id_;
}

uint64_t GrabberRegistry::bufferMemoryLimit()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0)
        return UINT64_MAX;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size) / 4;
}

int32_t GrabberRegistry::openInterface(const char* name, uint32_t* interface_id)
{
    if (name == nullptr || interface_id == nullptr)
        return Fail(kErrNullPointer);
    int32_t result = kOk;
    // Opening a camera can take a while; the registry stays free meanwhile.
    std::shared_ptr<CameraDevice> camera = CameraDevice::open(name, result);
    if (!camera)
        return result;
    std::lock_guard lock(mutex_);
    const uint32_t id = newId();
    interfaces_[id].camera = std::move(camera);
    *interface_id = id;
    return kOk;
}

int32_t GrabberRegistry::resetInterface(uint32_t interface_id)
{
    std::lock_guard lock(mutex_);
    return interfaces_.count(interface_id) != 0 ? kOk : Fail(kErrUnknownInterface);
}

int32_t GrabberRegistry::openSession(uint32_t interface_id, uint32_t* session_id)
{
    if (session_id == nullptr)
        return Fail(kErrNullPointer);
    std::lock_guard lock(mutex_);
    const auto found = interfaces_.find(interface_id);
    if (found == interfaces_.end())
        return Fail(kErrUnknownInterface);
    if (found->second.session_id != 0)
        return Fail(kErrSessionOpen);
    const uint32_t id = newId();
    sessions_[id] = std::make_shared<GrabberSession>(found->second.camera);
    found->second.session_id = id;
    *session_id = id;
    return kOk;
}

std::shared_ptr<GrabberSession> GrabberRegistry::session(uint32_t session_id)
{
    std::lock_guard lock(mutex_);
    const auto found = sessions_.find(session_id);
    return found == sessions_.end() ? nullptr : found->second;
}

int32_t GrabberRegistry::createBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer)
{
    if (buffer == nullptr)
        return Fail(kErrNullPointer);
    if (where != kImgBufferInSystemMemory)
        return Fail(kErrBufferLocation);
    if (size == 0)
        return Fail(kErrBadArgument, "A buffer needs at least one byte.");
    std::lock_guard lock(mutex_);
    if (sessions_.count(session_id) == 0)
        return Fail(kErrUnknownSession);
    if (buffer_bytes_ + size > bufferMemoryLimit())
        return Fail(kImgErrNoBufferMemory, "The frame buffers would take more than a quarter of the memory.");
    void* memory = std::calloc(size, 1);
    if (memory == nullptr)
        return Fail(kImgErrNoBufferMemory);
    buffers_[memory] = { session_id, size };
    buffer_bytes_ += size;
    *buffer = memory;
    return kOk;
}

int32_t GrabberRegistry::ringEntries(uint32_t count, void** list, std::vector<RingEntry>& entries)
{
    if (list == nullptr)
        return Fail(kErrNullPointer);
    if (count == 0)
        return Fail(kErrBadArgument, "A ring needs at least one buffer.");
    std::lock_guard lock(mutex_);
    entries.clear();
    entries.reserve(count);
    for (uint32_t index = 0; index < count; ++index) {
        const auto found = buffers_.find(list[index]);
        if (found == buffers_.end())
            return Fail(kErrUnknownBuffer, "Entry " + std::to_string(index) + " of the buffer list.");
        entries.push_back({ static_cast<uint8_t*>(found->first), found->second.size });
    }
    return kOk;
}

bool GrabberRegistry::bufferInAcquiringRing(void* buffer) const
{
    for (const auto& [id, session] : sessions_) {
        if (session->acquiring() && session->ringUses(buffer))
            return true;
    }
    return false;
}

void GrabberRegistry::forgetRingsWith(void* buffer)
{
    for (const auto& [id, session] : sessions_) {
        if (session->ringUses(buffer))
            session->forgetRing();
    }
}

int32_t GrabberRegistry::disposeBuffer(void* buffer)
{
    if (buffer == nullptr)
        return Fail(kErrNullPointer);
    std::lock_guard lock(mutex_);
    const auto found = buffers_.find(buffer);
    if (found == buffers_.end())
        return Fail(kErrUnknownBuffer);
    if (bufferInAcquiringRing(buffer))
        return Fail(kErrBufferInUse);
    forgetRingsWith(buffer);
    buffer_bytes_ -= found->second.size;
    std::free(found->first);
    buffers_.erase(found);
    return kOk;
}

void GrabberRegistry::disposeSessionBuffers(uint32_t session_id)
{
    for (auto buffer = buffers_.begin(); buffer != buffers_.end();) {
        if (buffer->second.session_id == session_id) {
            buffer_bytes_ -= buffer->second.size;
            std::free(buffer->first);
            buffer = buffers_.erase(buffer);
        } else {
            ++buffer;
        }
    }
}

int32_t GrabberRegistry::close(uint32_t id, bool free_resources)
{
    // Sessions and cameras end after the lock is let go: stopping a camera can take a while.
    std::shared_ptr<GrabberSession> session;
    std::shared_ptr<CameraDevice> camera;
    std::lock_guard lock(mutex_);
    uint32_t session_id = id;
    if (const auto interface = interfaces_.find(id); interface != interfaces_.end()) {
        camera = std::move(interface->second.camera);
        session_id = interface->second.session_id;
        interfaces_.erase(interface);
    } else if (sessions_.count(id) == 0) {
        return Fail(
            kErrUnknownSession, "No interface or session has the identifier " + std::to_string(id) + ".");
    }
    if (const auto found = sessions_.find(session_id); found != sessions_.end()) {
        session = std::move(found->second);
        sessions_.erase(found);
        for (auto& [interface_id, interface] : interfaces_) {
            if (interface.session_id == session_id)
                interface.session_id = 0;
        }
    }
    // A closed session's ring acquires no more, so its buffers are free to go.
    if (session && free_resources)
        disposeSessionBuffers(session_id);
    return kOk;
}

} // namespace fw::imaq_genicam
