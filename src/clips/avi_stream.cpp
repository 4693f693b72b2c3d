#include "clips/avi_stream.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <new>

#include <QFileInfo>
#include <QObject>

#include "clips/avi_clip_writer.h"
#include "clips/clip_decoder.h"
#include "clips/descriptor_block.h"
#include "clips/ffmpeg_clip_layout.h"
#include "clips/frame_scatter.h"
#include "clips/riff_file.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"

namespace fw {

namespace {

struct ClipType {
    const char* caption;
    const char* filter;
    const char* extension;
    const char* frame_file_format;
};

constexpr std::array<ClipType, 6> kClipTypes { {
    { "Video Clip File", "AVI - Video Clip|*.avi", "avi", "" },
    { "KFS Clip File", "KFS - Kinetic Frame Sequence|*.kfs", "kfs", "" },
    { "Bitmap Files Directory", "BMP - Image Files Directory|*.~~~", "", "F%.7d.bmp" },
    { "GIF Files Directory", "GIF - Image Files Directory|*.~~~", "", "F%.7d.gif" },
    { "JPEG Files Directory", "JPEG - Image Files Directory|*.~~~", "", "F%.7d.jpg" },
    { "TIF Files Directory", "TIFF - Image Files Directory|*.~~~", "", "F%.7d.tif" },
} };

const ClipType* clipType(int type)
{
    if (type < 1 || type > int(kClipTypes.size()))
        return nullptr;
    return &kClipTypes[size_t(type - 1)];
}

// The decoding state of one frame access on a clip file.
class ClipFrameAccess : public FrameAccess {
public:
    explicit ClipFrameAccess(std::shared_ptr<const ClipLayout> layout)
        : decoder(std::move(layout))
    {
    }
    ClipDecoder decoder;
};

std::atomic<CompressionChooser> compression_chooser { nullptr };

} // namespace

void SetCompressionChooser(CompressionChooser chooser)
{
    compression_chooser = chooser;
}

QString fourccText(uint32_t code)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (8 * i)) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? QChar::fromLatin1(c) : QChar(u' ');
    }
    return text;
}

TAVISTREAM::TAVISTREAM(QString options_section)
    : options_section_(std::move(options_section))
{
}

TAVISTREAM::~TAVISTREAM()
{
    StopSave();
}

QString TAVISTREAM::GetTitle() const
{
    return title_;
}

QString TAVISTREAM::GetShortName() const
{
    return QFileInfo(file_name_).fileName();
}

bool TAVISTREAM::IsClipType(int type) const
{
    return type == 1 || type == 2;
}

QString TAVISTREAM::FrameFileFormat(int type) const
{
    const ClipType* t = clipType(type);
    return t ? QString::fromLatin1(t->frame_file_format) : QString();
}

int TAVISTREAM::TypeCount() const
{
    return int(kClipTypes.size());
}

QString TAVISTREAM::DefaultExtension(int type) const
{
    const ClipType* t = clipType(type);
    return t ? QString::fromLatin1(t->extension) : QString();
}

QString TAVISTREAM::TypeFilter(int type) const
{
    const ClipType* t = clipType(type);
    return t ? QString::fromLatin1(t->filter) : QString();
}

int32_t TAVISTREAM::FrameCount()
{
    return stream_open_ && clip_ ? clip_->frame_count : 0;
}

int32_t TAVISTREAM::FirstFrameIndex() const
{
    return 0;
}

QString TAVISTREAM::TypeCaption(int type) const
{
    const ClipType* t = clipType(type);
    return t ? QString::fromLatin1(t->caption) : QString();
}

bool TAVISTREAM::CanSave() const
{
    return true;
}

void TAVISTREAM::Open(const QString& file_name)
{
    Close();
    file_name_ = file_name;
    std::shared_ptr<const ClipLayout> layout = ClipLayout::read(file_name);
    if (!layout->hasVideo())
        return;
    clip_ = std::move(layout);
    stream_open_ = true;
}

void TAVISTREAM::Close()
{
    clip_.reset();
    stream_open_ = false;
}

bool TAVISTREAM::GetInfo(TAVIStreamInfo& info)
{
    if (!stream_open_ || !clip_)
        return false;
    info = clip_->info;
    return true;
}

bool TAVISTREAM::ReadData(uint32_t id, uint8_t* buffer, int32_t& size)
{
    if (!buffer || size < 0 || file_name_.isEmpty())
        return false;
    TRIFF riff(file_name_, false);
    return riff.IsOpen() && riff.ReadChunkData(id, buffer, size);
}

namespace {

bool writeOrAddChunk(const QString& path, uint32_t id, const uint8_t* buffer, int32_t size)
{
    TRIFF riff(path, true);
    return riff.IsOpen() && (riff.WriteChunkData(id, buffer, size) || riff.AddChunk(id, buffer, size));
}

} // namespace

bool WriteDescriptorBlock(const QString& clip_path, const std::string& block)
{
    const auto chunk = DescriptorChunkBytes(block);
    return writeOrAddChunk(clip_path, kDescriptorChunkId, chunk.data(), int32_t(chunk.size()));
}

std::string ReadStreamDescriptors(TAVISTREAM& stream)
{
    std::array<uint8_t, kDescriptorChunkSize> buffer {};
    int32_t size = kDescriptorChunkSize;
    if (!stream.ReadData(kDescriptorChunkId, buffer.data(), size) || size <= 0)
        return {};
    return DescriptorFromChunk(buffer.data(), size_t(std::min(size, kDescriptorChunkSize)));
}

bool WriteStreamDescriptors(TAVISTREAM& stream, const std::string& block)
{
    const auto chunk = DescriptorChunkBytes(block);
    return stream.WriteData(kDescriptorChunkId, chunk.data(), int32_t(chunk.size()));
}

bool TAVISTREAM::WriteData(uint32_t id, const uint8_t* buffer, int32_t size)
{
    if (!buffer || size < 0 || file_name_.isEmpty())
        return false;
    return writeOrAddChunk(file_name_, id, buffer, size);
}

bool TAVISTREAM::BeginFrameAccess(FrameAccess*& handle)
{
    handle = nullptr;
    if (!stream_open_ || !clip_)
        return false;
    try {
        handle = new ClipFrameAccess(clip_);
    } catch (const Error& failure) {
        // The callers' messages say only that frames cannot be read; the log keeps why.
        qCWarning(lcClips).noquote() << "No frames from" << file_name_ << "-" << failure.message();
        return false;
    } catch (const std::bad_alloc&) {
        qCWarning(lcClips).noquote() << "No frames from" << file_name_ << "- out of memory";
        return false;
    }
    return true;
}

bool TAVISTREAM::GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame)
{
    auto* access = dynamic_cast<ClipFrameAccess*>(handle);
    if (!access)
        return false;
    const std::vector<uint8_t>* packed = nullptr;
    try {
        packed = access->decoder.frame(index);
    } catch (const std::bad_alloc&) {
        qCWarning(lcClips).noquote() << "Frame" << index << "of" << file_name_ << "- out of memory";
        return false;
    }
    if (!packed)
        return false;
    size = int32_t(packed->size());
    frame = packed->data();
    return true;
}

void TAVISTREAM::EndFrameAccess(FrameAccess* handle)
{
    delete handle;
}

bool TAVISTREAM::ScatterFrames(const QString& directory, int type, const ScatterProgress& progress)
{
    QString error;
    switch (fw::ScatterFrames(*this, directory, type, progress, error)) {
    case ScatterResult::Completed:
        return true;
    case ScatterResult::Cancelled:
        return false;
    case ScatterResult::Failed:
        break;
    }
    throw Error(error);
}

void TAVISTREAM::StartSave(int type, const QString& caption, const QString& target,
    SaveProgressHandler progress, SaveDoneHandler done, QObject* owner)
{
    if (save_running_)
        throw Error("A save of this clip is already running");
    save_type_ = type;
    save_caption_ = caption;
    last_save_failure_.clear();
    done_ = std::move(done);
    if (!relay_)
        relay_ = std::make_unique<QObject>();

    const uint64_t generation = ++save_generation_;
    SaveFinishedHandler finished = [this, generation](int32_t result) { SaveEnded(generation, result); };
    if (IsClipType(type)) {
        if (!options_.options_ok && !ChooseCompression(owner)) {
            if (done_)
                done_(*this, avierr::kUserAbort);
            return;
        }
        SaveSource source;
        source.frame_count = FrameCount();
        TAVIStreamInfo info;
        if (GetInfo(info) && info.dwRate > 0 && info.dwScale > 0) {
            source.rate = info.dwRate;
            source.scale = info.dwScale;
        }
        save_thread_ = std::make_unique<TAVISaveThread>(
            *this, target, options_, source, relay_.get(), std::move(progress), std::move(finished));
    } else {
        save_thread_ = std::make_unique<TAVIScatterThread>(
            *this, target, type, relay_.get(), std::move(progress), std::move(finished));
    }
    save_running_ = true;
    save_thread_->Start();
}

void TAVISTREAM::SaveEnded(uint64_t generation, int32_t result)
{
    // A save stopped by StopSave may still have its end queued: it is no longer ours.
    if (generation != save_generation_ || !save_thread_)
        return;
    last_save_failure_ = save_thread_->FailureReason();
    save_thread_.reset();
    save_running_ = false;
    if (done_)
        done_(*this, result);
}

void TAVISTREAM::StopSave()
{
    save_thread_.reset();
    save_running_ = false;
}

bool TAVISTREAM::ChooseCompression(QObject* owner)
{
    const CompressionChooser chooser = compression_chooser;
    if (!chooser || !chooser(owner, *this, options_))
        return false;
    options_.options_ok = true;
    return true;
}

void TAVISTREAM::LoadCompression(const SettingsStore& store)
{
    options_ = fw::LoadCompression(store, options_section_);
}

void TAVISTREAM::StoreCompression(SettingsStore& store) const
{
    fw::StoreCompression(store, options_section_, options_);
}

} // namespace fw
