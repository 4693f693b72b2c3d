#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QString>

#include <string>

#include "clips/compression_options.h"
#include "clips/frame_scatter.h"
#include "clips/save_thread.h"

class QObject;

namespace fw {

class SettingsStore;

// The chunk that holds a clip's descriptor block, directly inside the RIFF form.
constexpr uint32_t kDescriptorChunkId = fourcc('t', 't', 'l', 's');
constexpr int32_t kDescriptorChunkSize = 2048;

// Stream information of a clip's first video stream, laid out as the 140-byte record that
// callers and the settings store know.
#pragma pack(push, 1)
struct TAVIStreamInfo {
    uint32_t fccType = 0;
    uint32_t fccHandler = 0; // the compressor
    uint32_t dwFlags = 0;
    uint32_t dwCaps = 0;
    uint16_t wPriority = 0;
    uint16_t wLanguage = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwStart = 0;
    uint32_t dwLength = 0; // frames
    uint32_t dwInitialFrames = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 0;
    uint32_t dwSampleSize = 0;
    int32_t rcFrame[4] = { 0, 0, 0, 0 }; // left, top, right, bottom
    uint32_t dwEditCount = 0;
    uint32_t dwFormatChangeCount = 0;
    char szName[64] = {};
};
#pragma pack(pop)
static_assert(sizeof(TAVIStreamInfo) == 140);

// Four characters of a code as text ("MJPG"); unprintable bytes become spaces.
QString fourccText(uint32_t code);

// Writes a descriptor block into a clip file as its chunk: over the old chunk when it has one,
// else added. False when the file is no clip that can take it.
bool WriteDescriptorBlock(const QString& clip_path, const std::string& block);

// Frame decoding state handed out by BeginFrameAccess; each stream kind has its own.
class FrameAccess {
public:
    virtual ~FrameAccess() = default;
};

struct ClipLayout;
class TAVISTREAM;

// Called once on the thread that started the save, with the stream and the result code.
using SaveDoneHandler = std::function<void(TAVISTREAM& stream, int32_t result)>;

// Shows the compression dialog for one stream's options; true on OK with the options filled.
// The forms library installs it; the model only calls it. `owner` is the window that asked, passed
// through untouched so the dialog can sit over it; null for none.
using CompressionChooser = bool (*)(QObject* owner, TAVISTREAM& stream, CompressionOptions& options);
void SetCompressionChooser(CompressionChooser chooser);

// The clip stream: the base of every frame source. The base class reads AVI and KFS clip files
// (FFmpeg's AVI demuxer whatever the extension); sources of other Parts override the frame
// operations and keep the rest, so display, copy, save and scatter work on all of them alike.
class TAVISTREAM {
public:
    // options_section: the settings-store section of this stream's compression options.
    explicit TAVISTREAM(QString options_section);
    virtual ~TAVISTREAM();

    TAVISTREAM(const TAVISTREAM&) = delete;
    TAVISTREAM& operator=(const TAVISTREAM&) = delete;

    virtual QString GetTitle() const;
    virtual QString GetShortName() const;
    // Clip types 1..6: 1 AVI, 2 KFS, 3 BMP, 4 GIF, 5 JPEG, 6 TIFF frame directories.
    virtual bool IsClipType(int type) const;
    virtual QString FrameFileFormat(int type) const;
    virtual int TypeCount() const;
    virtual QString DefaultExtension(int type) const;
    virtual QString TypeFilter(int type) const;
    // Frames GetFrame can deliver: one per frame period of the stream, from the first picture
    // to the last; a period whose chunk is empty (a dropped frame) repeats the picture before.
    virtual int32_t FrameCount();
    virtual int32_t FirstFrameIndex() const;
    virtual QString TypeCaption(int type) const;
    virtual bool CanSave() const;
    // Throws fw::Error("Stream Open Failed", then the cause on a second line) when the file
    // cannot be opened as a clip. A clip without a video stream opens without error but stays
    // not open.
    virtual void Open(const QString& file_name);
    virtual void Close();
    virtual bool GetInfo(TAVIStreamInfo& info);
    // Reads chunk `id` of the file's RIFF form into buffer; size in: buffer size, out: bytes read.
    virtual bool ReadData(uint32_t id, uint8_t* buffer, int32_t& size);
    // A handle decodes on its own (a save thread may hold one beside the window's) and stays
    // usable after Close; EndFrameAccess frees it. False when the clip cannot be decoded.
    virtual bool BeginFrameAccess(FrameAccess*& handle);
    // Decodes frame `index` (presentation order) to a packed frame owned by the handle, valid
    // until the next GetFrame or EndFrameAccess on it; size = header + colour table + image.
    virtual bool GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame);
    virtual void EndFrameAccess(FrameAccess* handle);

    // Writes every frame as a numbered frame file into `directory`. Returns true unless the
    // progress routine stopped it; throws fw::Error when the frames cannot all be written, so a
    // broken scatter is never taken for a finished one. Runs on the scatter thread.
    virtual bool ScatterFrames(const QString& directory, int type, const ScatterProgress& progress);
    // Starts saving as clip type `type` (1, 2: clip file; 3 and up: frame file directory) to
    // `target` and returns at once. Options not yet confirmed are asked for first (cancelling
    // ends the save with the user-abort code). `progress` and `done` run on the calling thread,
    // which must run an event loop. Throws fw::Error while another save of this stream runs.
    virtual void StartSave(int type, const QString& caption, const QString& target,
        SaveProgressHandler progress, SaveDoneHandler done, QObject* owner = nullptr);
    // Asks for compression options through the installed chooser; on OK marks them confirmed.
    // False without a chooser or when the user cancels.
    virtual bool ChooseCompression(QObject* owner);
    // The options of this stream's section, or of "Codec" when the section does not exist.
    virtual void LoadCompression(const SettingsStore& store);
    virtual void StoreCompression(SettingsStore& store) const;

    CompressionOptions& CompressOptions() { return options_; }
    const CompressionOptions& CompressOptions() const { return options_; }
    bool SaveRunning() const { return save_running_; }
    int SaveType() const { return save_type_; }
    QString SaveCaption() const { return save_caption_; }
    // Why the last save or scatter failed, as the writer put it ("Cannot write t.avi: No space
    // left on device"); empty when it succeeded, was stopped by the user or gave no reason.
    QString LastSaveFailure() const { return last_save_failure_; }

    // Overwrites chunk `id` in place when the RIFF form has one; otherwise adds it inside the
    // RIFF form. The file is never rewritten as a whole. False when nothing was written.
    bool WriteData(uint32_t id, const uint8_t* buffer, int32_t size);

    bool IsOpen() const { return stream_open_; }
    QString FileName() const { return file_name_; }
    QString OptionsSection() const { return options_section_; }

protected:
    // Stops a running save or scatter without its done notification. A subclass whose frames
    // a save may be reading calls this first in its destructor.
    void StopSave();

    QString file_name_;
    QString title_;
    QString options_section_;
    bool stream_open_ = false;

private:
    void SaveEnded(uint64_t generation, int32_t result);

    std::shared_ptr<const ClipLayout> clip_; // while open; frame access handles share it

    CompressionOptions options_;
    bool save_running_ = false;
    int save_type_ = 0;
    uint64_t save_generation_ = 0;
    QString save_caption_;
    QString last_save_failure_;
    SaveDoneHandler done_;
    // Receives the worker's calls on the thread that started the save; going with the stream,
    // it takes pending calls along.
    std::unique_ptr<QObject> relay_;
    std::unique_ptr<TAVISaveThread> save_thread_;
};

// The descriptor block of the stream's clip; empty when the clip has none.
std::string ReadStreamDescriptors(TAVISTREAM& stream);
// Writes a descriptor block into the stream's clip; false when the clip cannot take it.
bool WriteStreamDescriptors(TAVISTREAM& stream, const std::string& block);

} // namespace fw
