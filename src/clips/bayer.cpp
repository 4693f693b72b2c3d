#include "clips/bayer.h"

#include <algorithm>
#include <cstring>

#include <QFileInfo>

#include "clips/avi_clip_writer.h"
#include "clips/bayer_interpolation.h"
#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

class BayerFrameAccess : public FrameAccess {
public:
    FrameImage frame;
};

// The day after the epoch of the program's date-time values, for a frame without any date.
const QDateTime kNoDate(QDate(1899, 12, 31), QTime(0, 0));

} // namespace

TBayer::TBayer()
    : TAVISTREAM(QStringLiteral("Bayer"))
{
}

TBayer::~TBayer()
{
    StopSave();
}

void TBayer::Open(const QString& file_name)
{
    Close();
    file_name_ = file_name;
    title_ = QFileInfo(file_name).fileName();
    if (const std::optional<QString> failure = sequence_.Open(file_name, ask_)) {
        showError(*failure);
        return;
    }
    stream_open_ = true;
    // The opened file's camera tells colour from monochrome until a preview says otherwise.
    if (!ReadBayFrameFile(file_name, sequence_.FrameSize(), record_))
        pipeline_.SetColorInterpolation(Record().IsColor());
}

void TBayer::Close()
{
    sequence_ = BaySequence();
    record_.clear();
    last_index_ = -1;
    stream_open_ = false;
}

BayRecord TBayer::Record() const
{
    const auto mosaic = size_t(MosaicBytes());
    if (record_.size() < mosaic + kBayRecordBytes)
        return {};
    return ParseBayRecord(record_.data() + mosaic, kBayRecordBytes).value_or(BayRecord {});
}

void TBayer::SetWord(size_t index, int16_t value)
{
    const auto at = size_t(MosaicBytes());
    if (record_.size() >= at + kBayRecordBytes) {
        BayRecord record = Record();
        record.SetWord(index, value);
        std::memcpy(record_.data() + at, record.bytes.data(), kBayRecordBytes);
    }
    writer_.SetWord(index, value);
}

std::optional<QString> TBayer::ReadFrameRecord(int32_t index, std::vector<uint8_t>& record)
{
    if (const std::optional<BayReadFailure> failure = sequence_.ReadFrame(index, record))
        return failure->message;
    return std::nullopt;
}

QString TBayer::FrameFileName(int32_t index) const
{
    return sequence_.FileName(sequence_.EntryOfFrame(index));
}

QString TBayer::FramePath(int32_t index) const
{
    return sequence_.Path(sequence_.EntryOfFrame(index));
}

QString TBayer::TryRender(int32_t index, uint8_t* dib)
{
    if (const std::optional<QString> failure = ReadFrameRecord(index, record_))
        return *failure;
    last_index_ = index;
    const BayerMosaic mosaic(record_.data(), Width(), Height());
    if (processing_)
        RenderBayerFrame(mosaic, pipeline_.ColorInterpolation(), pipeline_, dib);
    else
        InterpolateBayerRaw(mosaic, pipeline_.ColorInterpolation(), dib);
    if (write_) {
        const QString name = FrameFileName(index);
        writer_.SetFrameRate(FrameRate());
        if (!writer_.Write(record_, MosaicBytes(), name))
            return QStringLiteral("Error Writing Bayer File ") + name;
    }
    return {};
}

int TBayer::Report(const QString& message)
{
    if (quiet_) {
        qCInfo(lcClips) << "BAY frame not rendered, not reported:" << message;
        return kAskIgnore;
    }
    return AskOnFrameReadError(message);
}

int TBayer::RenderFrame(int32_t index, uint8_t* dib)
{
    if (!dib || FrameCount() == 0)
        return Report(QStringLiteral("Frame %1 is outside the sequence.").arg(index));
    const QString failure = TryRender(index, dib);
    if (failure.isEmpty())
        return kBayFrameDone;
    std::memset(dib, 127, size_t(FrameBytes()));
    const auto mosaic = size_t(MosaicBytes());
    if (record_.size() > mosaic)
        std::fill(record_.begin() + std::ptrdiff_t(mosaic), record_.end(), uint8_t(0));
    return Report(failure);
}

QDateTime TBayer::FrameDateTime() const
{
    if (const std::optional<QDateTime> recorded = BayRecordDateTime(Record()))
        return *recorded;
    const QString path = last_index_ >= 0 ? FramePath(last_index_) : file_name_;
    const QFileInfo info(path);
    return info.exists() ? info.lastModified() : kNoDate;
}

std::string TBayer::Descriptors() const
{
    std::string block;
    SetBayDescriptors(block, Record(), FrameDateTime(), FrameStep());
    AdjustDescriptors(block);
    return block;
}

int32_t TBayer::SaveBayerFiles(const QString& destination, const SaveProgressHandler& progress)
{
    writer_.SetDestination(destination);
    writer_.SetFrameStep(FrameStep());
    write_ = true;
    std::vector<uint8_t> dib(static_cast<size_t>(FrameBytes()));
    int32_t result = 0;
    const int32_t count = FrameCount();
    for (int32_t i = 0; i < count; ++i) {
        if (RenderFrame(i, dib.data()) != kBayFrameDone
            || (progress && progress(int((int64_t(i) + 1) * 100 / count)) != 0)) {
            result = avierr::kUserAbort;
            break;
        }
    }
    write_ = false;
    return result;
}

void TBayer::StartSave(int type, const QString& caption, const QString& target, SaveProgressHandler progress,
    SaveDoneHandler done, QObject* owner)
{
    if (!save_bayer_files_ || type == kBayerFilesType) {
        TAVISTREAM::StartSave(type, caption, target, std::move(progress), std::move(done), owner);
        return;
    }
    const QFileInfo where(target);
    QString folder = IsClipType(type) ? where.absolutePath() : where.absoluteFilePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    writer_.SetDestination(folder);
    writer_.SetFrameStep(FrameStep());
    write_ = true;
    TAVISTREAM::StartSave(
        type, caption, target, std::move(progress),
        [this, done = std::move(done)](TAVISTREAM& stream, int32_t result) {
            write_ = false;
            if (done)
                done(stream, result);
        },
        owner);
}

int TBayer::TypeCount() const
{
    return kBayerFilesType;
}

QString TBayer::TypeCaption(int type) const
{
    return type == kBayerFilesType ? QStringLiteral("Bayer Files Directory") : TAVISTREAM::TypeCaption(type);
}

QString TBayer::TypeFilter(int type) const
{
    return type == kBayerFilesType ? QStringLiteral("Bayer - Image Files Directory|*.~~~")
                                   : TAVISTREAM::TypeFilter(type);
}

QString TBayer::FrameFileFormat(int type) const
{
    return type == kBayerFilesType ? QStringLiteral("F%6.5d.bay") : TAVISTREAM::FrameFileFormat(type);
}

QString TBayer::DefaultExtension(int type) const
{
    return type == kBayerFilesType ? QString() : TAVISTREAM::DefaultExtension(type);
}

bool TBayer::ScatterFrames(const QString& directory, int type, const ScatterProgress& progress)
{
    if (type != kBayerFilesType)
        return TAVISTREAM::ScatterFrames(directory, type, progress);
    const QString folder = directory.endsWith(u'/') ? directory : directory + u'/';
    const int32_t result = SaveBayerFiles(
        folder, [&progress](int percent) { return progress && !progress(percent) ? avierr::kUserAbort : 0; });
    return result == 0;
}

bool TBayer::GetInfo(TAVIStreamInfo& info)
{
    if (!stream_open_)
        return false;
    info = {};
    info.fccType = fourcc('v', 'i', 'd', 's');
    info.fccHandler = fourcc('F', 'W', 'r', 't');
    info.dwScale = 1;
    info.dwRate = 15;
    info.dwLength = uint32_t(FrameCount());
    info.dwSuggestedBufferSize = uint32_t(FrameBytes());
    info.rcFrame[2] = Width();
    info.rcFrame[3] = Height();
    return true;
}

bool TBayer::ReadData(uint32_t id, uint8_t* buffer, int32_t& size)
{
    if (id != kDescriptorChunkId || !buffer || size <= 0 || !stream_open_)
        return false;
    const std::array<uint8_t, kDescriptorChunkSize> chunk = DescriptorChunkBytes(Descriptors());
    size = std::min(size, kDescriptorChunkSize);
    std::memcpy(buffer, chunk.data(), size_t(size));
    return true;
}

bool TBayer::BeginFrameAccess(FrameAccess*& handle)
{
    handle = nullptr;
    if (!stream_open_ || FrameCount() == 0)
        return false;
    auto access = std::make_unique<BayerFrameAccess>();
    access->frame = FrameImage(Width(), Height(), 24);
    handle = access.release();
    return true;
}

bool TBayer::GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame)
{
    auto* access = dynamic_cast<BayerFrameAccess*>(handle);
    if (!access || index < 0 || index >= FrameCount())
        return false;
    // Retry and Ignore both go on with the grey frame.
    if (RenderFrame(index, access->frame.pixels()) == kAskAbort)
        return false;
    size = int32_t(access->frame.packedSize());
    frame = access->frame.packed();
    return true;
}

void TBayer::EndFrameAccess(FrameAccess* handle)
{
    delete handle;
}

} // namespace fw
