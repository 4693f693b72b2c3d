#pragma once

#include <array>
#include <climits>
#include <memory>
#include <vector>

#include "clips/bayer.h"

namespace fw {

class THGCommLayer;

// The frames of an attached HG/RO imager's recording as a Bayer frame source: each frame is
// downloaded through the imager's comm layer into one of two buffers while the next one is
// fetched into the other, then interpolated and processed like a BAY file.
class TRO : public TBayer, public BayerImagerControl {
public:
    TRO(std::unique_ptr<THGCommLayer> link, bool update_clock, QString description, QString name);
    ~TRO() override;

    // Identifies the imager (setting its clock when asked) and lists its recording; throws
    // fw::Error "Imager NAME could not be attached (DESCRIPTION)" when it does not answer.
    void Open(const QString& file_name) override;
    void Close() override;

    int32_t FrameCount() override { return frame_count_; }
    int32_t EntryCount() const override { return int32_t(frame_list_.size()); }
    QString EntryLabel(int32_t entry) const override;
    void SelectEntries(int32_t first, int32_t step, int32_t count = -1) override;
    int32_t FrameStep() const override { return step_; }
    QString SourceFolder() const override { return {}; }
    BayFrameSize FrameSize() const override;
    BayerImagerControl* ImagerControl() override { return this; }

    // Reads only the frame asked for, without fetching the next one (single frames).
    void SetSingleFrame(bool single) { single_frame_ = single; }
    // The imager frame number of selected frame `index`.
    int32_t ImagerFrame(int32_t index) const;
    THGCommLayer& Link() const { return *link_; }
    const QString& Name() const { return name_; }
    // The setup window the imager's "Imager Setup" opens; set by the window that shows the frames.
    void SetSetupOpener(std::function<void(THGCommLayer&)> open) { open_setup_ = std::move(open); }

    // BayerImagerControl
    int InstallHandlers(std::function<void(int)> state_changed, std::function<void(int)> temperature,
        std::function<void(const QString&)> comm_error) override;
    void RemoveHandlers() override;
    QString StateName(int state) const override;
    bool HasRecording() override;
    bool RefreshRange() override;
    void Stop() override;
    void Trigger() override;
    void ArmRecord() override;
    void StartLive(std::function<void()> frame_ready) override;
    void StopLive() override;
    void RenderLive(uint8_t* dib) override;
    void OpenSetup() override;

protected:
    std::optional<QString> ReadFrameRecord(int32_t index, std::vector<uint8_t>& record) override;
    QString FrameFileName(int32_t index) const override;
    QString FramePath(int32_t) const override { return {}; }
    // The imager's kind ("HG 2000 Color"), and its exposure register when the record has none.
    void AdjustDescriptors(std::string& block) const override;

private:
    static constexpr int32_t kNone = INT32_MAX;
    // One attempt at frame `index` into the active buffer; the failure, or none.
    std::optional<QString> TryDownload(int32_t index);
    void Prefetch(int32_t index);
    void ForgetBuffers();
    int64_t DownloadBytes() const;

    std::unique_ptr<THGCommLayer> link_;
    bool update_clock_ = true;
    QString description_;
    QString name_;
    int32_t first_recorded_ = 0;
    int32_t recorded_count_ = -1;
    bool split_frames_ = false;
    std::array<std::vector<uint8_t>, 2> buffers_;
    std::array<int32_t, 2> holds_ { kNone, kNone };
    int active_ = 0;
    bool download_in_flight_ = false;
    std::vector<int32_t> frame_list_;
    int32_t first_entry_ = 0;
    int32_t step_ = 1;
    int32_t frame_count_ = 0;
    bool single_frame_ = false;
    std::function<void(THGCommLayer&)> open_setup_;
};

} // namespace fw
