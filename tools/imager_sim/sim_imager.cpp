#include "sim_imager.h"

namespace fw::imager_sim {
namespace {

constexpr int kFirmwareVersion = 0x21;

// "WB" reads white balance (the argument "L" or none); its replies echo "12", the write code.
constexpr std::string_view kWhiteBalanceRead = "WB";
constexpr std::string_view kWhiteBalanceEcho = "12";

// The PC-card path: read back as "[ROOT]" while it names the card's root.
constexpr std::string_view kCardPathCode = "57";
constexpr std::string_view kRootPathText = "[ROOT]";

bool isStringRegister(const QByteArray& code)
{
    return code == kCardPathCode.data() || code == "47" || code == "55";
}

} // namespace

SimImager::SimImager(const ImagerConfig& config)
    : config_(config)
    , identifier_(config.identifier)
{
    initialiseRegisters();
    const bool new_model = isNewModel(config_.type_code);
    Recording recording;
    recording.first = new_model ? config_.first_frame : 0;
    recording.count = config_.frames;
    recording.facts = currentFacts();
    recording_ = recording;
    state_ = ImagerState::RecordingDone;
    string_registers_[kCardPathCode.data()] = "\\";
}

bool SimImager::accepts(const CommandFrame& frame) const
{
    return frame.broadcast || frame.identifier == identifier_;
}

std::vector<Outgoing> SimImager::handle(const CommandFrame& frame)
{
    advanceClock();
    if (frame.broadcast && frame.code != "01" && frame.code != "54")
        return {};
    if (!attached_ && frame.code != "01" && frame.code != "54")
        return { reply(result::kUnattached, frame.code) };
    return dispatch(frame);
}

Outgoing SimImager::reply(std::string_view result, const QByteArray& echo, const QByteArray& payload) const
{
    QByteArray text = "#" + toHex(quint32(identifier_), 2);
    text.append(result.data(), qsizetype(result.size()));
    text += echo + payload + '\r';
    return { text, true };
}

SimImager::Replies SimImager::dispatch(const CommandFrame& frame)
{
    const QByteArray& code = frame.code;
    if (code == "01") {
        attached_ = true;
        return { reply(result::kSuccess, code, attachPayload()) };
    }
    if (code == "54")
        return { reply(result::kSuccess, code, attachPayload()) };
    if (code == kWhiteBalanceRead.data() || code == kWhiteBalanceEcho.data()) {
        const bool read
            = code == kWhiteBalanceRead.data() && (frame.argument.isEmpty() || frame.argument == "L");
        return handleRegister(*findRegister(kWhiteBalanceEcho, ""), read ? QByteArray() : frame.argument,
            QByteArray(kWhiteBalanceEcho.data()));
    }
    if (hasSubCode(code.toStdString()))
        return handleSubCoded(code, frame.argument);
    if (const auto info = findRegister(code.toStdString(), ""))
        return handleRegister(*info, frame.argument, code);
    if (code == "19")
        return { reply(stop(), code) };
    if (code == "5F")
        return { reply(erase(), code) };
    if (code == "28")
        return handleOldDownload(frame.argument);
    if (code == "DL")
        return handleNewDownload(frame.argument);
    if (isCardCommand(code))
        return handleCardCommand(code, frame.argument);
    if (isStringRegister(code))
        return handleStringRegister(code, frame.argument);
    return { reply(result::kUnsupportedCommand, code) };
}

SimImager::Replies SimImager::handleSubCoded(const QByteArray& code, const QByteArray& argument)
{
    const QByteArray sub_code = argument.left(2).toUpper();
    const QByteArray echo = code + sub_code;
    if (sub_code.size() < 2)
        return { reply(result::kParameterCount, code) };
    if (const auto info = findRegister(code.toStdString(), sub_code.toStdString()))
        return handleRegister(*info, argument.mid(2), echo);
    if (argument.size() > 2)
        return { reply(result::kParameterCount, echo) };
    return { reply(performAction(code, sub_code), echo) };
}

SimImager::Replies SimImager::handleStringRegister(const QByteArray& code, const QByteArray& argument)
{
    if (argument.isEmpty() && code == kCardPathCode.data() && PcCard::namesRoot(string_registers_[code]))
        return { reply(result::kSuccess, code, QByteArray(kRootPathText.data())) };
    if (argument.isEmpty())
        return { reply(result::kSuccess, code, string_registers_[code]) };
    string_registers_[code] = argument;
    return { reply(result::kSuccess, code) };
}

// Type, firmware, state, colour flag (1 colour, 2 monochrome), split flag; first and last
// recorded frame and the recorded frame count (16-bit words); temperature and rate index.
QByteArray SimImager::attachPayload() const
{
    const int first = recording_ ? recording_->first : 0;
    const int count = recording_ ? recording_->count : 0;
    const int last = recording_ ? first + count - 1 : 0;
    return toHex(quint32(config_.type_code), 2) + toHex(kFirmwareVersion, 2) + toHex(quint32(state_), 2)
        + toHex(config_.colour ? 1 : 2, 2) + toHex(registers_.at(RegisterId::Splits), 2)
        + toHex(quint32(first), 4) + toHex(quint32(last), 4) + toHex(quint32(count), 4)
        + toHex(quint32(config_.temperature_c), 2) + toHex(registers_.at(RegisterId::FrameRate), 2);
}

} // namespace fw::imager_sim
