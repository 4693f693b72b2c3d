#include "sim_imager.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "exposure_limits.h"

namespace fw::imager_sim {
namespace {

// Full-height frames the imager's memory holds; split frames (144 of 384 rows) fit 8/3 as many.
constexpr int kMemoryFrames = 4096;
// The simulated scene needs this much exposure per step of target brightness.
constexpr int kExposurePerBrightness_us = 4;
// Copying a recording to the PC card takes this long per frame, within the bounds below.
constexpr std::chrono::milliseconds kCardCopyPerFrame { 2 };
constexpr std::chrono::milliseconds kCardCopyShortest { 300 };
constexpr std::chrono::milliseconds kCardCopyLongest { 5000 };
constexpr int kPatchSize = 16;
const QByteArray kCardDownloadEcho = "28";

// Daylight, Tungsten, Fluorescent, (White Patch: measured), Unity.
constexpr std::array<ColourGains, 5> kBalanceGains { { { 1.05, 1.0, 0.95 }, { 0.75, 1.0, 1.45 },
    { 1.0, 0.85, 1.1 }, { 1.0, 1.0, 1.0 }, { 1.0, 1.0, 1.0 } } };
constexpr int kWhitePatchIndex = 3;

int memoryFrames(bool split)
{
    return split ? int(std::lround(kMemoryFrames * 8.0 / 3.0)) : kMemoryFrames;
}

std::optional<int> signedHex16(const QByteArray& digits)
{
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.size() != 4)
        return std::nullopt;
    return int(qint16(quint16(value)));
}

} // namespace

// ---- IRIG time of the trigger -------------------------------------------------------------------

SimImager::Replies SimImager::handleIrig(const QByteArray& argument)
{
    const QByteArray echo = "47";
    if (!isNewModel(config_.type_code))
        return { reply(result::kUnsupportedCommand, echo) };
    if (argument.isEmpty())
        return { reply(result::kSuccess, echo, irig_.registerText()) };
    if (state_ != ImagerState::RecordingDone && state_ != ImagerState::Playing
        && state_ != ImagerState::PlayStop)
        return { reply(result::kNoRecording, echo) };
    IrigStamp stamp = irig_;
    if (!stamp.setFrom(argument))
        return { reply(result::kOutOfRange, echo) };
    irig_ = stamp;
    return { reply(result::kSuccess, echo) };
}

// ---- Auto exposure ------------------------------------------------------------------------------

// "55" + "0017" + the longest exposure allowed (4 hex digits) + the target brightness (2): sets
// the normal exposure the target needs, or aborts when that is longer than allowed.
SimImager::Replies SimImager::handleAutoExposure(const QByteArray& argument)
{
    const QByteArray echo = "55";
    if (!isNewModel(config_.type_code))
        return { reply(result::kUnsupportedCommand, echo) };
    if (argument.size() != 10 || !argument.startsWith("0017"))
        return { reply(result::kParameterCount, echo) };
    bool longest_ok = false, target_ok = false;
    const int longest = int(argument.mid(4, 4).toUInt(&longest_ok, 16));
    const int target = int(argument.mid(8, 2).toUInt(&target_ok, 16));
    if (!longest_ok || !target_ok)
        return { reply(result::kInvalidCommandString, echo) };
    const int needed = std::max(target * kExposurePerBrightness_us, shortestExposure(config_.type_code));
    if (needed > std::min(longest, longestNormalExposure(config_.type_code, framesPerSecond())))
        return { reply(result::kAborted, echo) };
    registers_[RegisterId::NormalExposure] = quint32(needed);
    return { reply(result::kSuccess, echo) };
}

// ---- Copy to the PC card ------------------------------------------------------------------------

// "28" + first and last frame (4 hex digits each) + "01", or "03" to file the recording in a
// folder of its own: the imager copies the frames to its card in "PCMCIA Downloading".
SimImager::Replies SimImager::handleCardDownload(const QByteArray& argument)
{
    if (config_.link == LinkKind::Serial)
        return { reply(result::kUnsupportedCommand, kCardDownloadEcho) };
    const std::optional<int> first = signedHex16(argument.left(4));
    const std::optional<int> last = signedHex16(argument.mid(4, 4));
    const QByteArray mode = argument.mid(8, 2);
    if (!first || !last || (mode != "01" && mode != "03"))
        return { reply(result::kInvalidCommandString, kCardDownloadEcho) };
    if (!recording_)
        return { reply(result::kNoRecording, kCardDownloadEcho) };
    if (state_ != ImagerState::RecordingDone && state_ != ImagerState::PlayStop)
        return { reply(result::kInvalidState, kCardDownloadEcho) };
    const int end = recording_->first + recording_->count - 1;
    if (*first < recording_->first || *last > end || *first > *last)
        return { reply(result::kOutOfRange, kCardDownloadEcho) };
    const auto copy_time
        = std::clamp(kCardCopyPerFrame * (*last - *first + 1), kCardCopyShortest, kCardCopyLongest);
    card_copy_ends_at_ = std::chrono::steady_clock::now() + copy_time;
    state_ = ImagerState::CardDownloading;
    return { reply(result::kSuccess, kCardDownloadEcho) };
}

// The download path reads back as a DOS path between backslashes ("\DCIM\" for "/dcim" or
// "DCIM\"), the card's root as "[ROOT]".
QByteArray SimImager::cardPathText() const
{
    const auto found = string_registers_.find("57");
    const QByteArray path = found == string_registers_.end() ? QByteArray() : found->second;
    return PcCard::namesRoot(path) ? QByteArray("[ROOT]") : PcCard::canonicalPath(path) + '\\';
}

// ---- Registers that move with others ------------------------------------------------------------

int SimImager::framesPerSecond() const
{
    const std::vector<int>& rates = rateTable(config_.type_code);
    const quint32 index = registers_.at(RegisterId::FrameRate);
    return index < rates.size() ? rates[index] : 0;
}

void SimImager::registerWritten(RegisterId id, quint32 old_value)
{
    quint32& normal = registers_[RegisterId::NormalExposure];
    switch (id) {
    case RegisterId::FrameRate:
        // A faster rate leaves less time for the exposure.
        normal = quint32(acceptedNormalExposure(config_.type_code, framesPerSecond(), int(normal)));
        break;
    case RegisterId::Splits: {
        const bool split = registers_.at(RegisterId::Splits) == 1;
        if (split == (old_value == 1))
            break;
        // Memory holds 8/3 as many split frames: the longer side of the trigger grows or shrinks.
        quint32& pre = registers_[RegisterId::PreTriggerFrames];
        quint32& post = registers_[RegisterId::PostTriggerFrames];
        quint32& larger = pre >= post ? pre : post;
        larger = quint32(std::lround(larger * (split ? 8.0 / 3.0 : 0.375)));
        keepTriggerFramesInMemory(pre >= post ? RegisterId::PreTriggerFrames : RegisterId::PostTriggerFrames);
        break;
    }
    case RegisterId::PreTriggerFrames:
    case RegisterId::PostTriggerFrames:
        keepTriggerFramesInMemory(id);
        break;
    default:
        break;
    }
}

// The frames before and after the trigger share the memory: the side not just written gives way.
void SimImager::keepTriggerFramesInMemory(RegisterId changed)
{
    const int capacity = memoryFrames(registers_.at(RegisterId::Splits) == 1);
    quint32& written = registers_[changed];
    quint32& other = registers_[changed == RegisterId::PreTriggerFrames ? RegisterId::PostTriggerFrames
                                                                        : RegisterId::PreTriggerFrames];
    written = std::min(written, quint32(capacity));
    other = std::min(other, quint32(capacity) - written);
}

// ---- Colour balance -----------------------------------------------------------------------------

ColourGains SimImager::balanceGains() const
{
    const quint32 balance = registers_.at(RegisterId::WhiteBalance);
    if (balance == kWhitePatchIndex)
        return white_patch_gains_;
    return balance < kBalanceGains.size() ? kBalanceGains[balance] : ColourGains {};
}

// "2C00" after a patch move: the gains that make the patch's mean colour grey.
void SimImager::measureWhitePatch()
{
    const quint32 patch = registers_.at(RegisterId::PatchMove);
    const int frame_number = recording_ ? recording_->first + recording_->count - 1 : 0;
    const ColourGains mean
        = sceneMean(frame_number, frameRows(), int(patch & 0xFFFF), int(patch >> 16), kPatchSize);
    const double brightest = std::max({ mean.red, mean.green, mean.blue, 1.0 });
    white_patch_gains_ = { brightest / std::max(mean.red, 1.0), brightest / std::max(mean.green, 1.0),
        brightest / std::max(mean.blue, 1.0) };
}

} // namespace fw::imager_sim
