#include "sim_processor.h"

#include <algorithm>
#include <cstring>

namespace fw::gpib_sim {

SimProcessor::SimProcessor(DeviceConfig config)
    : config_(std::move(config))
{
    powerOn();
}

void SimProcessor::reconfigure(const DeviceConfig& config)
{
    config_ = config;
    srq_ = srq_ || config_.faults.stuck_srq;
}

void SimProcessor::powerOn()
{
    recording_ = config_.recording;
    window_ = em() ? ReadoutWindow { 0, 0, kEmLineLength - 1, kEmLines - 1 }
                   : ReadoutWindow { 0, 0, kHsSensorSize - 1, kHsSensorSize - 1 };
    current_frame_ = recording_.first_frame;
    state_ = static_cast<std::uint8_t>(config_.initial_state);
    error_ = 0;
    busy_polls_ = 0;
    srq_ = config_.faults.stuck_srq;
    input_.clear();
    output_.clear();
    output_position_ = output_limit_ = 0;
}

void SimProcessor::receive(const std::uint8_t* bytes, std::size_t count, bool eoi)
{
    input_.insert(input_.end(), bytes, bytes + count);
    if (!eoi || input_.empty())
        return;
    const std::vector<std::uint8_t> message = std::move(input_);
    input_.clear();
    execute(message);
}

ReadResult SimProcessor::send(std::uint8_t* buffer, std::size_t count)
{
    if (output_position_ >= output_.size()) {
        // Nothing to say: the EM 1012 answers a lone line feed, the HS 4540 an empty message.
        if (!em() || count == 0)
            return { 0, true, false };
        buffer[0] = '\n';
        return { 1, true, false };
    }
    const std::size_t available = output_limit_ - output_position_;
    const std::size_t taken = std::min(count, available);
    std::memcpy(buffer, output_.data() + output_position_, taken);
    output_position_ += taken;
    if (output_position_ == output_.size())
        return { taken, true, false };
    return { taken, false, taken < count };
}

std::uint8_t SimProcessor::serialPoll()
{
    std::uint8_t status = error_ != 0 ? static_cast<std::uint8_t>(0x80 | error_) : state_;
    if (busy_polls_ > 0 || config_.faults.stuck_busy)
        status |= 0x10;
    if (srq_)
        status |= 0x40;
    if (busy_polls_ > 0)
        --busy_polls_;
    srq_ = config_.faults.stuck_srq;
    return status;
}

void SimProcessor::deviceClear()
{
    input_.clear();
    output_.clear();
    output_position_ = output_limit_ = 0;
    error_ = 0;
    busy_polls_ = 0;
    srq_ = config_.faults.stuck_srq;
}

void SimProcessor::execute(const std::vector<std::uint8_t>& message)
{
    output_.clear();
    output_position_ = output_limit_ = 0;
    error_ = 0;
    const std::uint8_t command = message.front();
    const std::vector<std::uint8_t> parameter(message.begin() + 1, message.end());
    if (busy_polls_ > 0 || config_.faults.stuck_busy)
        refuse();
    else if (command >= 0x80 && parameter.empty()) {
        if (!executeQuery(command))
            refuse();
    } else if (config_.faults.keypad_lock && command != 0x2B)
        fail(ErrorNumber::KeypadLocked);
    else if (!executeControl(command, parameter))
        refuse();
    srq_ = true;
}

void SimProcessor::reply(std::vector<std::uint8_t> bytes)
{
    // The EM 1012 ends every reply with a line feed that is not part of the value.
    if (em())
        bytes.push_back('\n');
    output_ = std::move(bytes);
    output_position_ = 0;
    output_limit_ = output_.size();
}

void SimProcessor::replyPair(int value, int other)
{
    // With two rates the second value counts and the first holds the processor's other setting.
    std::vector<std::uint8_t> bytes;
    appendBigEndian(bytes, static_cast<std::uint32_t>(recording_.two_rates ? other : value), 2);
    appendBigEndian(bytes, static_cast<std::uint32_t>(recording_.two_rates ? value : 0), 2);
    reply(std::move(bytes));
}

void SimProcessor::refuse()
{
    // Refused Command: error number 8 on the EM 1012, 9 on the HS 4540.
    error_ = em() ? 8 : 9;
}

void SimProcessor::startBusy()
{
    busy_polls_ = config_.busy_polls;
}

} // namespace fw::gpib_sim
