// The worker side of THGCommLayer: the preview loop's register dance and frame downloads.
#include "imagers/hg/hg_comm_layer.h"
#include "support/log.h"

namespace fw {

namespace {

// The registers the preview loop saves and the values it runs with; old models use three.
constexpr std::array<int, 5> kSavedRegisters
    = { hgcmd::kSessionId, hgcmd::kAutoSave, hgcmd::kRecordDelay, hgcmd::kPostTrigFrames, hgcmd::kFrameSync };
constexpr std::array<uint32_t, 5> kPreviewValues = { 0, 0, 0, 2, 0 };

} // namespace

void THGCommLayer::RunPreviewState(CommState state)
{
    const int last_step = IsNewModel() ? 4 : 2;
    switch (state) {
    case csPLStart:
        step_ = 0;
        Send(csPLSaving, kSavedRegisters[0]);
        break;
    case csPLSaving: {
        const int width = HGCommand(kSavedRegisters[size_t(step_)]).width_digits;
        saved_registers_[size_t(step_)] = int32_t(PayloadValue(width));
        ++step_;
        if (step_ > last_step) {
            // The loop records sessions of its own; the imager's count goes back to where it was.
            saved_registers_[0] -= 1;
            registers_saved_ = true;
            step_ = 0;
            state_ = csPLSetting;
        } else {
            Send(csPLSaving, kSavedRegisters[size_t(step_)]);
        }
        break;
    }
    case csPLSetting:
        if (step_ > last_step) {
            state_ = csPLDatagram;
            break;
        }
        {
            const int command = kSavedRegisters[size_t(step_)];
            ++step_;
            Send(csPLSetting, command,
                HGHexArgument(kPreviewValues[size_t(step_ - 1)], HGCommand(command).width_digits));
        }
        break;
    case csPLDatagram:
        datagram_written_ = datagram_in_use_;
        Send(csPLReset, hgcmd::kDatagram, HGHexArgument(uint32_t(DatagramBytes(datagram_in_use_)), 4));
        break;
    case csPLReset:
        Send(csPLRecReady, hgcmd::kReadyToRecord);
        break;
    case csPLRecReady:
        Send(csPLTrigger, hgcmd::kRecordTrigger);
        break;
    case csPLTrigger:
        Send(csPLStop, hgcmd::kState);
        break;
    case csPLStop:
        ParseImagerState();
        if (imager_state_ == 5) {
            state_ = csDatagram;
        } else if (imager_state_ == 4) {
            Send(csPLStop, hgcmd::kState);
        } else {
            downloading_ = false;
            WakeUi();
            state_ = csPLFinish;
        }
        break;
    case csPLFinish:
        step_ = 0;
        Send(csPLRestore, hgcmd::kErase);
        break;
    case csPLRestore:
        if (step_ > last_step) {
            registers_saved_ = false;
            ++step_;
            state_ = csExit;
            break;
        }
        {
            const int command = kSavedRegisters[size_t(step_)];
            const auto value = uint32_t(saved_registers_[size_t(step_)]);
            ++step_;
            Send(csPLRestore, command, HGHexArgument(value, HGCommand(command).width_digits));
        }
        break;
    default:
        qCWarning(lcImagers) << "imager" << IdentifierText() << "in unknown state" << int(state);
        state_ = csExit;
        break;
    }
}

void THGCommLayer::RunDownloadState(CommState state)
{
    switch (state) {
    case csDatagram:
        if (datagram_in_use_ == datagram_written_) {
            state_ = csDownLoad;
        } else {
            datagram_written_ = datagram_in_use_;
            Send(csDownLoad, hgcmd::kDatagram, HGHexArgument(uint32_t(DatagramBytes(datagram_in_use_)), 4));
        }
        break;
    case csDownLoad:
        downloading_ = true;
        download_failed_ = false;
        receive_buffer_ = request_buffer_;
        receive_capacity_ = size_t(request_size_);
        frame_total_ = 0;
        if (IsNewModel())
            Send(csMoreDown, hgcmd::kDownloadNew,
                QByteArray("F ") + QByteArray::number(request_frame_) + " U " + request_format_);
        else
            Send(csMoreDown, hgcmd::kDownloadOld, HGHexArgument(uint32_t(request_frame_), 4) + "10");
        break;
    default:
        RunMoreDown();
        break;
    }
}

void THGCommLayer::RunMoreDown()
{
    frame_total_ += int64_t(received_length_);
    receive_buffer_ += received_length_;
    receive_capacity_ -= received_length_;
    const int64_t frame_bytes = FrameBytes(request_format_ == 'T');
    if (receive_capacity_ > 0 && downloading_ && frame_total_ < frame_bytes) {
        if (IsNewModel())
            Send(csMoreDown, hgcmd::kDownloadNew, "F U");
        else
            Send(csMoreDown, hgcmd::kDownloadOld, "10");
        return;
    }
    if (request_byte_count_)
        *request_byte_count_ = frame_total_;
    if (!terminate_)
        RunOnUi([this] {
            if (frame_done_)
                frame_done_();
        });
    downloading_ = false;
    WakeUi();
    RestoreOwnBuffer();
    if (preview_loop_) {
        if (datagram_in_use_ == datagram_wanted_) {
            Send(csTempResp, hgcmd::kTemp);
        } else {
            datagram_in_use_ = datagram_wanted_;
            Send(csPLDatagram, hgcmd::kErase);
        }
    } else if (registers_saved_) {
        step_ = 0;
        Send(csPLRestore, hgcmd::kErase);
    } else {
        state_ = csExit;
    }
}

} // namespace fw
