#include "imagers/ro.h"

#include <cstring>

#include "clips/bay_record.h"
#include "clips/bayer_interpolation.h"
#include "clips/descriptor_block.h"
#include "imagers/hg/hg_comm_layer.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kAttempts = 3;

} // namespace

TRO::TRO(std::unique_ptr<THGCommLayer> link, bool update_clock, QString description, QString name)
    : link_(std::move(link))
    , update_clock_(update_clock)
    , description_(std::move(description))
    , name_(std::move(name))
{
    title_ = name_;
}

TRO::~TRO()
{
    RemoveHandlers();
    // The comm layer goes with the source: its worker ends before the buffers it may fill.
    if (link_) {
        link_->StopPreviewLoop();
        link_->WaitDownload();
    }
    link_.reset();
}

void TRO::Open(const QString& file_name)
{
    file_name_ = file_name;
    if (!link_->Identify(update_clock_))
        throw Error(QStringLiteral("Imager ") + name_ + QStringLiteral(" could not be attached (")
            + description_ + QStringLiteral(")"));
    recorded_count_ = -1;
    RefreshRange();
    Pipeline().SetColorInterpolation(link_->AttachData().colour_flag != 2);
    first_entry_ = 0;
    stream_open_ = true;
}

void TRO::Close()
{
    stream_open_ = false;
    ForgetBuffers();
}

QString TRO::EntryLabel(int32_t entry) const
{
    return entry >= 0 && size_t(entry) < frame_list_.size() ? QString::number(frame_list_[size_t(entry)])
                                                            : QString();
}

void TRO::SelectEntries(int32_t first, int32_t step, int32_t count)
{
    first_entry_ = std::clamp(first, 0, std::max(EntryCount() - 1, 0));
    step_ = std::max(step, 1);
    const int32_t available = EntryCount() > first_entry_ ? (EntryCount() - 1 - first_entry_) / step_ + 1 : 0;
    frame_count_ = count < 0 ? available : std::min(count, available);
}

int32_t TRO::ImagerFrame(int32_t index) const
{
    const int64_t entry = int64_t(step_) * index + first_entry_;
    return entry >= 0 && entry < int64_t(frame_list_.size()) ? frame_list_[size_t(entry)] : kNone;
}

BayFrameSize TRO::FrameSize() const
{
    BayFrameSize size;
    size.width = kHGFrameColumns;
    size.height = split_frames_ ? kHGSplitFrameRows : kHGFrameRows;
    size.record_bytes = DownloadBytes();
    return size;
}

int64_t TRO::DownloadBytes() const
{
    return HGFrameBytes(split_frames_, false);
}

bool TRO::RefreshRange()
{
    const HGRecordedRange range = link_->GetRecordedRange();
    bool changed = link_->SplitFrames() != split_frames_;
    split_frames_ = link_->SplitFrames();
    if (range.first != first_recorded_ || range.count != recorded_count_) {
        first_recorded_ = range.first;
        recorded_count_ = range.count;
        frame_list_.clear();
        for (int32_t i = 0; i < range.count; ++i)
            frame_list_.push_back(range.first + i);
        frame_count_ = int32_t(frame_list_.size()) / step_;
        changed = true;
    }
    if (changed) {
        for (std::vector<uint8_t>& buffer : buffers_)
            buffer.assign(size_t(DownloadBytes()), 0);
        ForgetBuffers();
    }
    return changed;
}

void TRO::ForgetBuffers()
{
    if (download_in_flight_ && link_)
        link_->WaitDownload();
    download_in_flight_ = false;
    holds_ = { kNone, kNone };
}

std::optional<QString> TRO::ReadFrameRecord(int32_t index, std::vector<uint8_t>& record)
{
    const int32_t imager_frame = ImagerFrame(index);
    if (imager_frame == kNone)
        return QStringLiteral("Frame %1 is outside the recording.").arg(index);
    std::optional<QString> failure;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        failure = TryDownload(index);
        if (!IsOpen())
            return QStringLiteral("Imager ") + name_ + QStringLiteral(" was detached.");
        if (!failure)
            break;
        qCInfo(lcImagers) << "frame" << imager_frame << "of" << name_ << "attempt" << attempt + 1
                          << "failed:" << *failure;
        ForgetBuffers();
    }
    if (failure)
        return failure;
    const std::vector<uint8_t>& frame = buffers_[size_t(active_)];
    record.assign(frame.begin(), frame.end());
    const bool last = index + 1 >= FrameCount();
    if (!single_frame_ && !last)
        Prefetch(index + 1);
    return std::nullopt;
}

std::optional<QString> TRO::TryDownload(int32_t index)
{
    const int32_t imager_frame = ImagerFrame(index);
    if (holds_[size_t(active_)] != index) {
        if (download_in_flight_) {
            download_in_flight_ = false;
            if (link_->WaitDownload())
                active_ = 1 - active_;
            else
                holds_[size_t(1 - active_)] = kNone;
        }
        if (holds_[size_t(active_)] != index) {
            std::vector<uint8_t>& buffer = buffers_[size_t(active_)];
            holds_[size_t(active_)] = kNone;
            link_->DownloadFrame(buffer.data(), int64_t(buffer.size()), false, imager_frame);
            if (!link_->WaitDownload())
                return QStringLiteral("Error Uploading Frame %1\r  Last Imager Response: %2")
                    .arg(imager_frame)
                    .arg(link_->LastErrorText());
            holds_[size_t(active_)] = index;
        }
    }
    const std::vector<uint8_t>& frame = buffers_[size_t(active_)];
    const auto mosaic = size_t(FrameSize().MosaicBytes());
    const std::optional<BayRecord> record = ParseBayRecord(frame.data() + mosaic, frame.size() - mosaic);
    if (!record || !record->HasKnownSignature()) {
        holds_ = { kNone, kNone };
        return QStringLiteral("Frame %1 missing Bayer Signature").arg(imager_frame);
    }
    return std::nullopt;
}

void TRO::Prefetch(int32_t index)
{
    const int other = 1 - active_;
    if (holds_[size_t(other)] == index || download_in_flight_)
        return;
    std::vector<uint8_t>& buffer = buffers_[size_t(other)];
    holds_[size_t(other)] = index;
    link_->DownloadFrame(buffer.data(), int64_t(buffer.size()), false, ImagerFrame(index));
    download_in_flight_ = true;
}

void TRO::AdjustDescriptors(std::string& block) const
{
    SetDescriptorValue(block, "Camera", "Camera Type", link_->KindName().toStdString());
    std::string exposure;
    if (!GetDescriptorValue(block, "Camera", "Exposure Setting", exposure) || exposure.empty()) {
        const int32_t normal = link_->ReadRegister(hgcmd::kNormalExposure);
        if (normal >= 0)
            SetDescriptorValue(block, "Camera", "Exposure Setting", std::to_string(normal));
    }
}

QString TRO::FrameFileName(int32_t index) const
{
    return QString::asprintf("F%6.5d.bay", ImagerFrame(index));
}

// ---- Imager control ---------------------------------------------------------------------------

int TRO::InstallHandlers(std::function<void(int)> state_changed, std::function<void(int)> temperature,
    std::function<void(const QString&)> comm_error)
{
    link_->SetStateChangedHandler(std::move(state_changed));
    link_->SetTemperatureHandler(std::move(temperature));
    link_->SetCommErrorHandler([report = std::move(comm_error)](int code, const QString& text) {
        if (report)
            report(code == 0 ? QString() : text);
    });
    return link_->ImagerState();
}

void TRO::RemoveHandlers()
{
    if (!link_)
        return;
    link_->SetStateChangedHandler(nullptr);
    link_->SetTemperatureHandler(nullptr);
    link_->SetCommErrorHandler(nullptr);
}

QString TRO::StateName(int state) const
{
    return HGStateName(state);
}

bool TRO::HasRecording()
{
    return link_->HasRecording();
}

void TRO::Stop()
{
    link_->Stop();
}

void TRO::Trigger()
{
    link_->Trigger();
}

void TRO::ArmRecord()
{
    link_->ArmRecord();
}

void TRO::StartLive(std::function<void()> frame_ready)
{
    ForgetBuffers();
    link_->SetFrameDoneHandler(std::move(frame_ready));
    std::vector<uint8_t>& buffer = buffers_[size_t(active_)];
    link_->StartPreviewLoop(buffer.data(), int64_t(buffer.size()), false);
}

void TRO::StopLive()
{
    link_->StopPreviewLoop();
    link_->WaitIdle();
    link_->SetFrameDoneHandler(nullptr);
    ForgetBuffers();
}

void TRO::RenderLive(uint8_t* dib)
{
    const std::vector<uint8_t>& frame = buffers_[size_t(active_)];
    const BayerMosaic mosaic(frame.data(), Width(), Height());
    RenderBayerFrame(mosaic, Pipeline().ColorInterpolation(), Pipeline(), dib);
}

void TRO::OpenSetup()
{
    StopLive();
    link_->Stop();
    if (open_setup_)
        open_setup_(*link_);
}

} // namespace fw
