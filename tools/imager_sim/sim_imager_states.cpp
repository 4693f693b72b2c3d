#include "sim_imager.h"

namespace fw::imager_sim {
namespace {

// How long the imager stays in "Recording" after a trigger before the recording is done.
constexpr std::chrono::milliseconds kRecordingTime { 150 };

bool isLive(ImagerState state)
{
    return state == ImagerState::LiveLow || state == ImagerState::LiveNormal;
}

// States from which live, ready-to-record and erase start over (the recording is given up).
bool canStartOver(ImagerState state)
{
    return state == ImagerState::Standby || isLive(state) || state == ImagerState::ReadyToRecord
        || state == ImagerState::RecordingDone || state == ImagerState::PlayStop;
}

} // namespace

void SimImager::advanceClock()
{
    const auto now = std::chrono::steady_clock::now();
    if (state_ == ImagerState::Recording && now >= recording_ends_at_)
        state_ = ImagerState::RecordingDone;
    if (state_ == ImagerState::CardDownloading && now >= card_copy_ends_at_)
        state_ = ImagerState::RecordingDone;
}

RecordingFacts SimImager::currentFacts() const
{
    RecordingFacts facts;
    facts.type_code = config_.type_code;
    facts.colour = config_.colour;
    facts.session_id = int(registers_.at(RegisterId::SessionId));
    facts.camera_id = identifier_;
    facts.rate_index = int(registers_.at(RegisterId::FrameRate));
    facts.date_bcd = clock_.dateRegister();
    facts.time_bcd = clock_.timeRegister();
    facts.exposure = int(registers_.at(RegisterId::NormalExposure));
    return facts;
}

int SimImager::frameRows() const
{
    return registers_.at(RegisterId::Splits) == 1 ? kSplitFrameRows : kFullFrameRows;
}

std::string_view SimImager::stop()
{
    download_.cancel();
    switch (state_) {
    case ImagerState::Playing:
        state_ = ImagerState::PlayStop;
        break;
    case ImagerState::Recording:
    case ImagerState::PlayStop:
    case ImagerState::CardDownloading:
    case ImagerState::EthernetDownloading:
        state_ = ImagerState::RecordingDone;
        break;
    case ImagerState::LiveLow:
    case ImagerState::LiveNormal:
    case ImagerState::ReadyToRecord:
        state_ = recording_ ? ImagerState::RecordingDone : ImagerState::Standby;
        break;
    default:
        break;
    }
    return result::kSuccess;
}

std::string_view SimImager::goLive(ImagerState live)
{
    if (!canStartOver(state_))
        return result::kInvalidState;
    recording_.reset();
    state_ = live;
    return result::kSuccess;
}

std::string_view SimImager::readyToRecord()
{
    if (!canStartOver(state_))
        return result::kInvalidState;
    recording_.reset();
    state_ = ImagerState::ReadyToRecord;
    return result::kSuccess;
}

// New models record the pre- and post-trigger frames around frame 0; old models record as many
// frames as the start-up recording had, numbered from 0.
std::string_view SimImager::trigger()
{
    if (state_ != ImagerState::ReadyToRecord)
        return result::kInvalidState;
    Recording recording;
    if (isNewModel(config_.type_code)) {
        const int pre = int(registers_.at(RegisterId::PreTriggerFrames));
        recording.first = -pre;
        recording.count = pre + int(registers_.at(RegisterId::PostTriggerFrames));
    } else {
        recording.count = config_.frames;
    }
    if (recording.count <= 0)
        return result::kOutOfRange;
    registers_[RegisterId::SessionId] = (registers_.at(RegisterId::SessionId) + 1) & 0xFF;
    recording.facts = currentFacts();
    recording_ = recording;
    irig_ = IrigStamp::of(QDateTime::currentDateTime());
    state_ = ImagerState::Recording;
    recording_ends_at_ = std::chrono::steady_clock::now() + kRecordingTime;
    return result::kSuccess;
}

std::string_view SimImager::erase()
{
    if (state_ == ImagerState::Recording || state_ == ImagerState::CardDownloading)
        return result::kInvalidState;
    download_.cancel();
    recording_.reset();
    state_ = ImagerState::Standby;
    return result::kSuccess;
}

std::string_view SimImager::play(const QByteArray& sub_code)
{
    if (sub_code == "01" || sub_code == "02") {
        if (!recording_)
            return result::kNoRecording;
        if (state_ != ImagerState::RecordingDone && state_ != ImagerState::PlayStop
            && state_ != ImagerState::Playing)
            return result::kInvalidState;
        state_ = ImagerState::Playing;
        return result::kSuccess;
    }
    // The playback rate may be changed while playing or paused.
    if (state_ != ImagerState::Playing && state_ != ImagerState::PlayStop)
        return result::kInvalidState;
    quint32& rate = registers_[RegisterId::PlayRate];
    if (sub_code == "03" && rate < 6)
        ++rate;
    if (sub_code == "04" && rate > 0)
        --rate;
    return result::kSuccess;
}

std::string_view SimImager::performAction(const QByteArray& code, const QByteArray& sub_code)
{
    if (code == "1A" && (sub_code == "01" || sub_code == "02"))
        return goLive(sub_code == "01" ? ImagerState::LiveLow : ImagerState::LiveNormal);
    if (code == "1B" && sub_code == "01")
        return readyToRecord();
    if (code == "1B" && sub_code == "FF")
        return trigger();
    if (code == "1C" && sub_code >= "01" && sub_code <= "04")
        return play(sub_code);
    if (code == "2C" && sub_code == "00")
        measureWhitePatch();
    const bool accepted = (code == "13" && sub_code == "03")
        || (code == "2C" && (sub_code == "00" || sub_code == "01" || sub_code == "FF"))
        || (code == "0B" && (sub_code == "00" || sub_code == "01"));
    return accepted ? result::kSuccess : result::kInvalidCommand;
}

} // namespace fw::imager_sim
