#pragma once

#include "imagers/em/em1012_avi.h"
#include "imagers/gpib/hs4540.h"

namespace fw {

// The recording of an HS 4540 processor: its readout window sets the picture size, the reply
// is stored from byte 156 of the buffer on, the recording carries no date, and the frame
// numbers of a recording around its trigger skip 0.
class T4540AVI : public TEM1012AVI {
public:
    explicit T4540AVI(std::shared_ptr<TGPIB> gpib, SteadyNow now = RealSteadyNow);

    QString CameraType() const override { return QStringLiteral("HS 4540"); }
    QDateTime RecordingDateTime() const override { return QDateTime::currentDateTime(); }
    std::int32_t ProcessorFrame(std::int32_t index) const override;
    std::int32_t ClipIndex(std::int32_t frame) const override;
    std::int32_t FramesBetween(std::int32_t first, std::int32_t last, std::int32_t interval) const override;
    bool SkipsFrameZero() const override { return true; }
    // Frame `index` of a range from `first`: a computed 0 or more after a negative first is one up.
    static std::int32_t FrameNumber(std::int32_t first, std::int32_t index, std::int32_t interval);

protected:
    std::unique_ptr<TEM1012> MakeProcessor(const QString& address) override;
    std::size_t UploadBufferBytes() const override { return THS4540::kUploadBufferBytes; }
    std::size_t UploadBytes() const override { return THS4540::kUploadBufferBytes; }
    // Four bytes precede the picture in the reply.
    std::size_t ImageOffset() const override { return TEM1012::kHeaderBytes + 4; }
};

} // namespace fw
