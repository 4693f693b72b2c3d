#include "imagers/capture/capture_ring.h"

#include <algorithm>

#include "imagers/imaq/imaq.h"
#include "support/log.h"

namespace fw {

TCaptureRing::TCaptureRing(TIMAQ& imaq)
    : imaq_(imaq)
{
}

TCaptureRing::~TCaptureRing()
{
    Dispose();
}

int TCaptureRing::ClampWanted(int wanted)
{
    return std::clamp(wanted, kMinBuffers, kMaxBuffers);
}

int32_t TCaptureRing::Create(uint32_t session_id, uint32_t bytes, int wanted)
{
    const int target = ClampWanted(wanted);
    while (count_ < target) {
        void* buffer = nullptr;
        const int32_t result = imaq_.imgCreateBuffer(session_id, kImgBufferInSystemMemory, bytes, &buffer);
        if (result != 0 || buffer == nullptr) {
            return result != 0 ? result : kImgErrNoMemory;
        }
        buffers_[static_cast<std::size_t>(count_++)] = buffer;
    }
    return 0;
}

int32_t TCaptureRing::Setup(uint32_t session_id, uint32_t frames_to_skip, bool start_now)
{
    return imaq_.imgRingSetup(
        session_id, static_cast<uint32_t>(count_), buffers_.data(), frames_to_skip, start_now ? 1 : 0);
}

int32_t TCaptureRing::Dispose()
{
    int32_t first_failure = 0;
    for (int i = 0; i < count_; ++i) {
        const int32_t result = imaq_.imgDisposeBuffer(buffers_[static_cast<std::size_t>(i)]);
        if (result != 0) {
            qCWarning(lcImaq) << "buffer" << i << "not disposed of, code" << Qt::hex << result;
            if (first_failure == 0) {
                first_failure = result;
            }
        }
        buffers_[static_cast<std::size_t>(i)] = nullptr;
    }
    count_ = 0;
    return first_failure;
}

const uint8_t* TCaptureRing::Entry(uint64_t buffer_number) const
{
    if (count_ == 0) {
        return nullptr;
    }
    return static_cast<const uint8_t*>(
        buffers_[static_cast<std::size_t>(buffer_number % static_cast<uint64_t>(count_))]);
}

int TCaptureRing::WantedAfter(int32_t result, int obtained, int wanted)
{
    if (result == kImgErrNoMemory || result == kImgErrNoBufferMemory || result == kImgErrNoLockableMemory) {
        return std::max(obtained - 10, kMinBuffers);
    }
    return result == 0 ? obtained : wanted;
}

} // namespace fw
