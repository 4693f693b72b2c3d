// The processors' commands: queries answer with a reply to read, control commands change the
// state or queue an upload. A query about the recording while there is none, or while a
// recording runs, is untimely (error number 7).

#include "sim_processor.h"

#include <algorithm>

namespace fw::gpib_sim {

namespace {

int bcd(int value)
{
    return ((value / 10) % 10) << 4 | value % 10;
}

std::int32_t bigEndian32(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t value = 0;
    for (std::uint8_t byte : bytes)
        value = value << 8 | byte;
    return static_cast<std::int32_t>(value);
}

} // namespace

bool SimProcessor::executeQuery(std::uint8_t command)
{
    if (command == 0x90) {
        reply({ static_cast<std::uint8_t>(config_.faults.keypad_lock ? 1 : 0) });
        return true;
    }
    if (command == 0x84) {
        std::vector<std::uint8_t> bytes;
        appendBigEndian(bytes, static_cast<std::uint32_t>(current_frame_), 4);
        reply(std::move(bytes));
        return true;
    }
    const bool about_recording = command == 0x81 || command == 0x82 || command == 0x83 || command == 0x85
        || command == 0x86 || command == 0x88;
    if (!about_recording || (command == 0x81 && !em()))
        return false;
    if (!recording_.present || recordingState()) {
        fail(ErrorNumber::Untimely);
        return true;
    }
    std::vector<std::uint8_t> bytes;
    switch (command) {
    case 0x81:
        appendBigEndian(bytes, recording_.two_rates ? 1 : 0, 2);
        break;
    case 0x82:
        replyPair(recording_.rate_fps, 60);
        return true;
    case 0x83:
        replyPair(recording_.exposure, 0);
        return true;
    case 0x85:
        appendBigEndian(bytes, static_cast<std::uint32_t>(recording_.first_frame), 4);
        appendBigEndian(bytes, static_cast<std::uint32_t>(recording_.last_frame), 4);
        break;
    case 0x86:
        bytes.push_back(static_cast<std::uint8_t>(recording_.session));
        break;
    default: {
        const RecordingDate& date = recording_.date;
        for (int field : { date.year, date.month, date.day, date.hour, date.minute, 0 })
            bytes.push_back(static_cast<std::uint8_t>(bcd(field)));
    }
    }
    reply(std::move(bytes));
    return true;
}

bool SimProcessor::executeControl(std::uint8_t command, const std::vector<std::uint8_t>& parameter)
{
    switch (command) {
    case 0x2A: // remote: the processor takes commands from the bus
        if (em() && !recording_.present)
            fail(ErrorNumber::NoRecordingEm);
        return true;
    case 0x2B: // back to local
        return true;
    case 0x03:
        stop();
        return true;
    case 0x04:
        state_ = 2; // Live
        startBusy();
        return true;
    case 0x05:
        playStop();
        return true;
    case 0x06:
        record();
        return true;
    case 0x07:
        return em();
    case 0x26:
        position(parameter);
        return true;
    case 0x29:
        if (em())
            return false;
        setWindow(parameter);
        return true;
    case 0x17:
    case 0x18:
        if (em() != (command == 0x17))
            return false;
        upload(config_.model);
        return true;
    default:
        return false;
    }
}

void SimProcessor::stop()
{
    if (state_ == 6 && !em()) {
        fail(ErrorNumber::Untimely); // the HS 4540 pauses playback before it stops
        return;
    }
    if (recordingState())
        completeRecording();
    else if (!recording_.present && !em()) {
        fail(ErrorNumber::Untimely);
        return;
    }
    state_ = 4; // Stopped
    startBusy();
}

void SimProcessor::record()
{
    if (state_ == 1 || state_ == 2) {
        state_ = 12; // Trig Wait: recording into the loop until the trigger
    } else if (state_ == 11 || state_ == 12 || state_ == 10) {
        completeRecording(); // a second 0x06 is the trigger
        state_ = 4;
    } else {
        fail(ErrorNumber::Untimely);
        return;
    }
    startBusy();
}

void SimProcessor::playStop()
{
    if (!recording_.present || (recordingState() && state_ != 13)) {
        fail(ErrorNumber::Untimely);
        return;
    }
    state_ = 5; // Play/Stop: paused on the current frame
    startBusy();
}

void SimProcessor::completeRecording()
{
    recording_.first_frame = config_.recording.first_frame;
    recording_.last_frame = config_.recording.last_frame;
    recording_.present = true;
    recording_.session = (recording_.session + 1) & 0xFF;
    current_frame_ = recording_.first_frame;
}

void SimProcessor::position(const std::vector<std::uint8_t>& parameter)
{
    if (parameter.size() != 4) {
        fail(ErrorNumber::ProgramParm);
        return;
    }
    if (!recording_.present || recordingState()) {
        fail(ErrorNumber::Untimely);
        return;
    }
    std::int32_t frame = std::clamp(bigEndian32(parameter), recording_.first_frame, recording_.last_frame);
    if (frame == 0 && !em())
        frame = 1; // the HS 4540 numbers no frame 0
    current_frame_ = frame;
    state_ = 5;
    startBusy();
}

void SimProcessor::setWindow(const std::vector<std::uint8_t>& parameter)
{
    if (parameter.size() != 4 || parameter[0] > parameter[2] || parameter[1] > parameter[3]) {
        fail(ErrorNumber::ProgramParm);
        return;
    }
    window_ = ReadoutWindow { parameter[0], parameter[1], parameter[2], parameter[3] };
}

void SimProcessor::upload(Model model)
{
    if (!recording_.present || recordingState()) {
        fail(ErrorNumber::Untimely);
        return;
    }
    output_
        = model == Model::Em1012 ? emUpload(current_frame_, recording_) : hsUpload(current_frame_, window_);
    output_position_ = 0;
    output_limit_ = config_.faults.upload_timeout ? output_.size() / 2 : output_.size();
}

} // namespace fw::gpib_sim
