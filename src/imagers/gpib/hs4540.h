#pragma once

#include "imagers/gpib/em1012.h"

namespace fw {

// The EktaPro HS 4540: the EM 1012's commands with its own error map, exact replies, a readout
// window chosen by the recording rate, and an upload of the window in one read.
class THS4540 : public TEM1012 {
public:
    static constexpr std::int32_t kDefaultRate_fps = 4500;
    // The reply is 4 bytes before the image, the image, and 1 trailing byte.
    static constexpr int kUploadExtraBytes = 5;
    // Room for the whole sensor's reply stored from byte 156 on.
    static constexpr int kUploadBufferBytes = kHeaderBytes + 256 * 256 + kUploadExtraBytes; // 65697

    THS4540(TGPIB& gpib, const QString& address, SteadyNow now = RealSteadyNow);

    bool StopRecording() override;
    int RateIndex() const { return rate_index_; }
    // Bytes one upload of the current readout window brings.
    int UploadBytes() const { return HsRateRowAt(rate_index_).FrameBytes() + kUploadExtraBytes; }

protected:
    const ProcessorErrorMap& ErrorMap() const override { return kHs4540ErrorMap; }
    bool ReadReply(std::vector<std::uint8_t>& reply, int expected_bytes) override;
    void FlushInput() override;
    void RecoverFromRefusal() override;
    bool ReadRecordInfo() override;
    bool ReadUpload(std::span<std::uint8_t> buffer) override;
    std::uint8_t UploadCommand() const override { return em_command::kUploadHs; }
    void AfterConnect() override { session_.rate_fps = kDefaultRate_fps; }

private:
    bool ChooseWindow();
    bool ProbeFrame(std::int32_t frame);
    void ProbeRecordedRange();
    void SetRateIndex(int rate_index);

    int rate_index_ = 1;
};

} // namespace fw
