#include "sim_imager.h"

#include <QList>

#include "tiff_frame.h"

namespace fw::imager_sim {
namespace {

// A "DL" download's replies echo "6D".
const QByteArray kNewDownloadEcho = "6D";
const QByteArray kOldDownloadEcho = "28";

} // namespace

// "28" + frame number (4 hex digits) + "10" starts a frame; "28" + "10" asks for its next datagram.
SimImager::Replies SimImager::handleOldDownload(const QByteArray& argument)
{
    if (isNewModel(config_.type_code) || config_.link == LinkKind::Serial)
        return { reply(result::kUnsupportedCommand, kOldDownloadEcho) };
    if (argument.size() == 2)
        return nextDatagram(kOldDownloadEcho);
    if (argument.size() != 6)
        return { reply(result::kParameterCount, kOldDownloadEcho) };
    bool ok = false;
    const int frame_number = int(argument.left(4).toUInt(&ok, 16));
    if (!ok)
        return { reply(result::kInvalidCommandString, kOldDownloadEcho) };
    const std::string_view failure = startDownload(frame_number, false);
    if (failure != result::kSuccess)
        return { reply(failure, kOldDownloadEcho) };
    return nextDatagram(kOldDownloadEcho);
}

// "DL" + "F n U B" starts frame n (decimal, may be negative) in Bayer format, "F n U T" in TIFF
// format through the colour balance; "DL" + "F U" asks for its next datagram.
SimImager::Replies SimImager::handleNewDownload(const QByteArray& argument)
{
    if (!isNewModel(config_.type_code) || config_.link == LinkKind::Serial)
        return { reply(result::kUnsupportedCommand, kNewDownloadEcho) };
    const QList<QByteArray> words = argument.simplified().split(' ');
    if (words.size() == 2 && words[0] == "F" && words[1] == "U")
        return nextDatagram(kNewDownloadEcho);
    if (words.size() != 4 || words[0] != "F" || words[2] != "U")
        return { reply(result::kParameterCount, kNewDownloadEcho) };
    bool ok = false;
    const int frame_number = words[1].toInt(&ok);
    if (!ok || (words[3] != "B" && words[3] != "T"))
        return { reply(result::kInvalidCommandString, kNewDownloadEcho) };
    const std::string_view failure = startDownload(frame_number, words[3] == "T");
    if (failure != result::kSuccess)
        return { reply(failure, kNewDownloadEcho) };
    return nextDatagram(kNewDownloadEcho);
}

std::string_view SimImager::startDownload(int frame_number, bool tiff)
{
    if (!recording_)
        return result::kNoRecording;
    if (state_ == ImagerState::Recording || state_ == ImagerState::ReadyToRecord)
        return result::kInvalidState;
    if (frame_number < recording_->first || frame_number >= recording_->first + recording_->count)
        return result::kOutOfRange;
    download_.start(tiff ? synthesiseTiffFrame(recording_->facts, frame_number, frameRows(), balanceGains())
                         : synthesiseFrame(recording_->facts, frame_number, frameRows()));
    state_ = ImagerState::EthernetDownloading;
    return result::kSuccess;
}

SimImager::Replies SimImager::nextDatagram(const QByteArray& echo)
{
    if (!download_.active())
        return { reply(result::kInvalidCommand, echo) };
    const QByteArray datagram = download_.next(int(registers_.at(RegisterId::Datagram)));
    if (!download_.active())
        state_ = ImagerState::RecordingDone;
    return { { datagram, false } };
}

} // namespace fw::imager_sim
