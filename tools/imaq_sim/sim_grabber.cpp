#include "sim_grabber.h"

#include <new>

#include "imagers/imaq/imaq_api.h"
#include "sim_errors.h"

namespace fw::imaq_sim {

namespace {

// Larger requests fail as the memory of a real machine would.
constexpr std::uint32_t kMaxBufferBytes = 64u << 20;

const BoardModel* boardNamed(const std::string& name)
{
    for (const BoardModel& board : kBoards)
        if (name == board.name)
            return &board;
    return nullptr;
}

bool decimationValue(std::uint32_t value)
{
    return value == 0 || value == 1 || value == kImgDecimationHalf;
}

int stepOf(std::uint32_t decimation)
{
    return decimation == kImgDecimationHalf ? 2 : 1;
}

} // namespace

SimGrabber& SimGrabber::instance()
{
    static SimGrabber grabber;
    return grabber;
}

SimGrabber::Session* SimGrabber::session(std::uint32_t id)
{
    const auto found = sessions_.find(id);
    return found != sessions_.end() ? &found->second : nullptr;
}

SimGrabber::Session* SimGrabber::caughtUpSession(std::uint32_t id)
{
    Session* found = session(id);
    if (found != nullptr)
        found->ring.catchUp(Clock::now());
    return found;
}

std::int32_t SimGrabber::interfaceOpen(const char* name, std::uint32_t* interface_id)
{
    if (name == nullptr || interface_id == nullptr)
        return kErrNullPointer;
    std::lock_guard lock(mutex_);
    const std::string wanted = lowerCase(name);
    const BoardModel* board = boardNamed(wanted);
    if (board == nullptr)
        return kErrInterfaceNotFound;
    SimConfig config = readConfig();
    if (config.faults.no_open.count(wanted) != 0 || config.faults.no_open.count("all") != 0)
        return kErrInterfaceFault;
    const std::uint32_t id = newId();
    interfaces_[id] = Interface { board->name, board->colour_capable, std::move(config) };
    *interface_id = id;
    return kOk;
}

std::int32_t SimGrabber::interfaceReset(std::uint32_t interface_id)
{
    std::lock_guard lock(mutex_);
    if (interfaces_.count(interface_id) == 0)
        return kErrInvalidId;
    for (auto& [id, session] : sessions_)
        if (session.interface_id == interface_id)
            session.ring.stop();
    stopped_.notify_all();
    return kOk;
}

std::int32_t SimGrabber::sessionOpen(std::uint32_t interface_id, std::uint32_t* session_id)
{
    if (session_id == nullptr)
        return kErrNullPointer;
    std::lock_guard lock(mutex_);
    const auto found = interfaces_.find(interface_id);
    if (found == interfaces_.end())
        return kErrInvalidId;
    const Interface& board = found->second;
    const std::uint32_t id = newId();
    Session& opened = sessions_[id];
    opened.interface_id = interface_id;
    opened.colour_capable = board.colour_capable;
    opened.config = board.config;
    // Attributes that take a value, with the values a board starts with; the last three are
    // taken and kept but change nothing here.
    opened.attributes = {
        { kImgAttrColourMode, board.colour_capable ? kImgColourModeColour : kImgColourModeMonochrome },
        { kImgAttrHorizontalDecimation, kImgDecimationFull },
        { kImgAttrVerticalDecimation, kImgDecimationFull },
        { kImgAttrTimeout_ms, 1000 },
        { kImgAttrAcquireSetting82, 0 },
        { kImgAttrAcquireSetting07, 0 },
        { kImgAttrAcquireSetting75, 0 },
    };
    *session_id = id;
    return kOk;
}

FrameFormat SimGrabber::formatOf(const Session& session) const
{
    FrameFormat format;
    format.full_width = session.config.scene.width;
    format.full_height = session.config.scene.height;
    format.step_x = stepOf(session.attribute(kImgAttrHorizontalDecimation));
    format.step_y = stepOf(session.attribute(kImgAttrVerticalDecimation));
    format.colour = session.colour_capable && session.attribute(kImgAttrColourMode) == kImgColourModeColour;
    return format;
}

std::int32_t SimGrabber::getAttribute(std::uint32_t session_id, std::uint32_t attribute, std::uint32_t* value)
{
    return onSession(session_id, [&](const Session& found) {
        if (value == nullptr)
            return kErrNullPointer;
        switch (attribute) {
        case kImgAttrColourCapable:
            *value = found.colour_capable ? 1 : 0;
            return kOk;
        case kImgAttrWidth:
            *value = static_cast<std::uint32_t>(formatOf(found).width());
            return kOk;
        case kImgAttrHeight:
            *value = static_cast<std::uint32_t>(formatOf(found).height());
            return kOk;
        case kImgAttrLostFrames:
            *value = static_cast<std::uint32_t>(found.ring.lost().size());
            return kOk;
        }
        const auto settable = found.attributes.find(attribute);
        if (settable == found.attributes.end())
            return kErrUnknownAttribute;
        *value = settable->second;
        return kOk;
    });
}

std::int32_t SimGrabber::checkAttribute(
    const Session& session, std::uint32_t attribute, std::uint32_t value) const
{
    if (session.attributes.count(attribute) == 0) {
        const bool read_only = attribute == kImgAttrColourCapable || attribute == kImgAttrWidth
            || attribute == kImgAttrHeight || attribute == kImgAttrLostFrames;
        return read_only ? kErrReadOnly : kErrUnknownAttribute;
    }
    const bool shapes_frames = attribute == kImgAttrColourMode || attribute == kImgAttrHorizontalDecimation
        || attribute == kImgAttrVerticalDecimation;
    if (attribute == kImgAttrColourMode && !session.colour_capable)
        return kErrNotSupported;
    if (attribute == kImgAttrColourMode && value != kImgColourModeColour && value != kImgColourModeMonochrome)
        return kErrBadValue;
    if (attribute != kImgAttrColourMode && shapes_frames && !decimationValue(value))
        return kErrBadValue;
    return shapes_frames && session.ring.acquiring() ? kErrAcquiring : kOk;
}

std::int32_t SimGrabber::setAttribute(std::uint32_t session_id, std::uint32_t attribute, std::uint32_t value)
{
    return onSession(session_id, [&](Session& found) {
        const std::int32_t checked = checkAttribute(found, attribute, value);
        if (checked == kOk)
            found.attributes[attribute] = value;
        return checked;
    });
}

std::int32_t SimGrabber::createBuffer(
    std::uint32_t session_id, std::uint32_t where, std::uint32_t size, void** buffer)
{
    return onSession(session_id, [&](const Session& found) {
        if (buffer == nullptr)
            return kErrNullPointer;
        if (where != kImgBufferInSystemMemory || size == 0)
            return kErrInvalidParameter;
        const std::uint32_t limit = found.config.max_buffers;
        if (size > kMaxBufferBytes || (limit != 0 && buffers_.size() >= limit))
            return kErrNoMemory;
        std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[size]());
        if (!bytes)
            return kErrNoMemory;
        void* address = bytes.get();
        buffers_[address] = Buffer { std::move(bytes), size, session_id };
        *buffer = address;
        return kOk;
    });
}

std::int32_t SimGrabber::disposeBuffer(void* buffer)
{
    std::lock_guard lock(mutex_);
    const auto found = buffers_.find(buffer);
    if (found == buffers_.end())
        return kErrInvalidBuffer;
    Session* owner = session(found->second.session_id);
    if (owner != nullptr && owner->ring.uses(buffer)) {
        if (owner->ring.acquiring() || owner->ring.holds(buffer))
            return kErrBufferInUse;
        owner->ring.clear();
    }
    buffers_.erase(found);
    return kOk;
}

void SimGrabber::closeSession(std::uint32_t id, bool free_resources)
{
    if (free_resources) {
        for (auto buffer = buffers_.begin(); buffer != buffers_.end();)
            buffer = buffer->second.session_id == id ? buffers_.erase(buffer) : std::next(buffer);
    }
    sessions_.erase(id);
}

std::int32_t SimGrabber::close(std::uint32_t id, std::uint32_t free_resources)
{
    std::lock_guard lock(mutex_);
    if (sessions_.count(id) != 0) {
        closeSession(id, free_resources != 0);
    } else if (interfaces_.count(id) != 0) {
        for (auto session = sessions_.begin(); session != sessions_.end();) {
            const auto current = session++;
            if (current->second.interface_id == id)
                closeSession(current->first, free_resources != 0);
        }
        interfaces_.erase(id);
    } else {
        return kErrInvalidId;
    }
    stopped_.notify_all();
    return kOk;
}

std::int32_t SimGrabber::renderFrame(
    std::uint32_t session_id, std::uint32_t frame, void* out, std::uint32_t size)
{
    return onSession(session_id, [&](const Session& found) {
        if (out == nullptr)
            return kErrNullPointer;
        const FrameFormat format = formatOf(found);
        if (size < format.bytes())
            return kErrInvalidParameter;
        imaq_sim::renderFrame(found.config.scene, format, frame, static_cast<std::uint8_t*>(out));
        return kOk;
    });
}

} // namespace fw::imaq_sim
