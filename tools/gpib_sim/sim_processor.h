#pragma once

// One simulated EM 1012 or HS 4540 processor as seen from the bus: it takes command messages,
// queues its replies and uploads for the controller to read, and answers serial polls with its
// status byte (busy 0x10, service request 0x40, error 0x80 with the error number in the low
// nibble, else the state in the low nibble).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame_pattern.h"
#include "sim_config.h"

namespace fw::gpib_sim {

struct ReadResult {
    std::size_t byte_count = 0;
    bool end = false; // the last byte of the message went with EOI
    bool timed_out = false;
};

class SimProcessor {
public:
    explicit SimProcessor(DeviceConfig config);

    const DeviceConfig& config() const { return config_; }
    // New placement and faults; the recording and state stay as they are.
    void reconfigure(const DeviceConfig& config);
    void powerOn();

    bool listens() const { return !config_.faults.no_listener; }
    bool talks() const { return listens() && !config_.faults.timeout; }
    bool requestsService() const { return srq_; }

    // Bytes up to and including the one sent with EOI make one command message.
    void receive(const std::uint8_t* bytes, std::size_t count, bool eoi);
    ReadResult send(std::uint8_t* buffer, std::size_t count);
    std::uint8_t serialPoll();
    void deviceClear();

private:
    enum class ErrorNumber : std::uint8_t {
        None = 0,
        ProgramParm = 1,
        NoRecordingEm = 5,
        KeypadLocked = 6,
        Untimely = 7,
    };

    void execute(const std::vector<std::uint8_t>& message);
    bool executeQuery(std::uint8_t command);
    bool executeControl(std::uint8_t command, const std::vector<std::uint8_t>& parameter);
    void stop();
    void record();
    void playStop();
    void position(const std::vector<std::uint8_t>& parameter);
    void setWindow(const std::vector<std::uint8_t>& parameter);
    void upload(Model model);
    void completeRecording();
    void reply(std::vector<std::uint8_t> bytes);
    void replyPair(int value, int other);
    void fail(ErrorNumber number) { error_ = static_cast<std::uint8_t>(number); }
    void refuse();
    void startBusy();
    bool recordingState() const { return state_ >= 10 && state_ <= 13; }
    bool em() const { return config_.model == Model::Em1012; }

    DeviceConfig config_;
    Recording recording_;
    ReadoutWindow window_;
    std::int32_t current_frame_ = 0;
    std::uint8_t state_ = 4;
    std::uint8_t error_ = 0; // processor error number, 0 for none
    int busy_polls_ = 0;
    bool srq_ = false;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> output_;
    std::size_t output_position_ = 0;
    std::size_t output_limit_ = 0; // an upload that times out stops here
};

} // namespace fw::gpib_sim
