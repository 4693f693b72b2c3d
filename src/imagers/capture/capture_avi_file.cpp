#include "imagers/capture/capture_avi_file.h"

#include <unistd.h>

#include <QFileInfo>

#include "clips/compression_options.h"
#include "clips/riff_builder.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr uint32_t kChunkHeaderBytes = 8;
constexpr char kStreamName[] = "Framewright IMAQ Capture";
// Written in a multiple of 4 bytes, without a terminating zero.
static_assert((sizeof kStreamName - 1) % 4 == 0);

// The writer makes the file only when it is closed; a folder that cannot take it should stop
// the capture before it starts, not after the last frame.
void CheckFolder(const QString& file_name)
{
    const QFileInfo file(file_name);
    const QString folder = file.absolutePath();
    if (file.fileName().isEmpty() || file.isDir()) {
        throw Error(QStringLiteral("%1 is not a file name").arg(file_name));
    }
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        throw Error(
            QStringLiteral("Cannot create %1: %2").arg(file_name, QString::fromLocal8Bit(strerror(errno))));
    }
}

} // namespace

TCaptureAviFile::TCaptureAviFile(
    const QString& file_name, const CaptureFormat& format, int32_t frames_requested)
    : format_(format)
    , frames_requested_(frames_requested)
{
    CheckFolder(file_name);
    riff_ = std::make_unique<TRIFFNew>(file_name, frames_requested,
        static_cast<int32_t>(format.StoredFrameBytes()), fourcc('A', 'V', 'I', ' '));
    try {
        WriteHeaders();
    } catch (const Error&) {
        riff_->Discard();
        throw;
    }
}

TCaptureAviFile::~TCaptureAviFile()
{
    if (riff_) {
        try {
            Close();
        } catch (const Error& failure) {
            qCWarning(lcImaq).noquote() << "capture file not written:" << failure.message();
        }
    }
}

void TCaptureAviFile::WriteHeaders()
{
    const CaptureMainHeader main = MakeCaptureMainHeader(format_, static_cast<uint32_t>(frames_requested_));
    const CaptureStreamHeader stream
        = MakeCaptureStreamHeader(format_, static_cast<uint32_t>(frames_requested_));
    const BitmapInfoHeader bitmap = format_.StoredHeader();
    const std::vector<RgbQuad> palette = format_.StoredPalette();

    riff_->BeginList(fourcc('h', 'd', 'r', 'l'));
    riff_->WriteChunk(fourcc('a', 'v', 'i', 'h'), &main, sizeof main);
    riff_->BeginList(fourcc('s', 't', 'r', 'l'));
    riff_->WriteChunk(fourcc('s', 't', 'r', 'h'), &stream, sizeof stream);
    riff_->BeginChunk(fourcc('s', 't', 'r', 'f'));
    riff_->Write(&bitmap, sizeof bitmap);
    riff_->Write(palette.data(), static_cast<int64_t>(palette.size() * sizeof(RgbQuad)));
    riff_->EndChunk();
    riff_->WriteChunk(fourcc('s', 't', 'r', 'n'), kStreamName, sizeof kStreamName - 1);
    riff_->EndChunk();
    riff_->EndChunk();
    riff_->BeginAlignedList(fourcc('m', 'o', 'v', 'i'));
}

void TCaptureAviFile::WriteFrame(const uint8_t* grabber_buffer)
{
    if (!riff_) {
        throw Error(QStringLiteral("The capture file is closed"));
    }
    const uint32_t frame_bytes = format_.StoredFrameBytes();
    // Room for header and frame first, so that a frame that does not fit leaves no chunk behind.
    riff_->View(kChunkHeaderBytes + frame_bytes);
    riff_->BeginChunk(fourcc('0', '0', 'd', 'b'), frame_bytes);
    uint8_t* frame = riff_->View(frame_bytes);
    format_.ToStored(grabber_buffer, frame);
    riff_->SetPosition(frame + frame_bytes);
    riff_->EndChunk();
    ++frames_written_;
}

void TCaptureAviFile::Close()
{
    if (!riff_) {
        return;
    }
    const std::unique_ptr<TRIFFNew> riff = std::move(riff_);
    try {
        riff->Finish();
        if (frames_written_ < frames_requested_) {
            RewriteHeadersForShortCapture(*riff);
        }
    } catch (const Error&) {
        // An unfinished file is no clip: nothing goes under its name.
        riff->Discard();
        throw;
    }
    riff->Close();
}

void TCaptureAviFile::RewriteHeadersForShortCapture(TRIFFNew& riff) const
{
    const auto requested = static_cast<uint32_t>(frames_requested_);
    const auto written = static_cast<uint32_t>(frames_written_);
    CaptureMainHeader main = MakeCaptureMainHeader(format_, requested);
    main.total_frames = written;
    CaptureStreamHeader stream = MakeCaptureStreamHeader(format_, requested);
    stream.length = written;
    riff.OverwriteChunk(fourcc('a', 'v', 'i', 'h'), &main, sizeof main);
    riff.OverwriteChunk(fourcc('s', 't', 'r', 'h'), &stream, sizeof stream);
}

} // namespace fw
