#include "camera_stream.h"

#include <arv.h>

#include "arv_error.h"
#include "genicam_errors.h"

namespace fw::imaq_genicam {

int32_t CameraStream::start(ArvCamera* camera, uint32_t buffer_count, std::unique_ptr<CameraStream>& stream)
{
    ArvError error;
    const guint payload = arv_camera_get_payload(camera, error.out());
    if (error || payload == 0)
        return Fail(kErrStream, error ? error.reason() : "The camera reports a frame of 0 bytes.");
    ArvStream* arv_stream = arv_camera_create_stream(camera, nullptr, nullptr, error.out());
    if (arv_stream == nullptr)
        return Fail(kErrStream, error.reason());
    std::unique_ptr<CameraStream> created(new CameraStream(camera, arv_stream));
    for (uint32_t index = 0; index < buffer_count; ++index)
        arv_stream_push_buffer(arv_stream, arv_buffer_new(payload, nullptr));
    arv_camera_set_acquisition_mode(camera, ARV_ACQUISITION_MODE_CONTINUOUS, error.out());
    if (!error)
        arv_camera_start_acquisition(camera, error.out());
    if (error)
        return Fail(kErrStream, error.reason());
    created->camera_running_ = true;
    stream = std::move(created);
    return kOk;
}

CameraStream::CameraStream(ArvCamera* camera, ArvStream* stream)
    : camera_(camera)
    , stream_(stream)
{
    g_object_ref(camera_);
}

CameraStream::~CameraStream()
{
    stopCamera();
    g_object_unref(stream_);
    g_object_unref(camera_);
}

void CameraStream::stopCamera()
{
    if (!camera_running_)
        return;
    camera_running_ = false;
    ArvError ignored;
    arv_camera_stop_acquisition(camera_, ignored.out());
}

ArvBuffer* CameraStream::next(uint64_t timeout_us)
{
    return arv_stream_timeout_pop_buffer(stream_, timeout_us);
}

ArvBuffer* CameraStream::nextReady()
{
    return arv_stream_try_pop_buffer(stream_);
}

// Read before the buffer goes back: a stream drops only while it has no empty buffer, so every
// frame still queued now came before the drops counted.
CameraStream::Drops CameraStream::giveBack(ArvBuffer* buffer)
{
    Drops drops;
    guint64 completed = 0;
    guint64 failures = 0;
    guint64 underruns = 0;
    arv_stream_get_statistics(stream_, &completed, &failures, &underruns);
    gint input = 0;
    gint output = 0;
    arv_stream_get_n_buffers(stream_, &input, &output);
    if (underruns > underruns_seen_)
        drops.dropped = underruns - underruns_seen_;
    underruns_seen_ = underruns;
    drops.waiting = output > 0 ? static_cast<uint64_t>(output) : 0;
    arv_stream_push_buffer(stream_, buffer);
    return drops;
}

} // namespace fw::imaq_genicam
