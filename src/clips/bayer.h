#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>

#include "clips/avi_stream.h"
#include "clips/bay_frame_writer.h"
#include "clips/bay_record.h"
#include "clips/bay_sequence.h"
#include "clips/bayer_imager_control.h"
#include "clips/processing_pipeline.h"

namespace fw {

// Answer of RenderFrame when the frame was delivered; otherwise kAskAbort, kAskRetry or kAskIgnore.
inline constexpr int kBayFrameDone = 1;
// The save type that writes the frames as BAY files, listed after the clip stream's own types.
inline constexpr int kBayerFilesType = 7;

// The frame source of a folder of BAY files: each frame file is read, checked, interpolated from
// its mosaic (or spread as grey) through the colour pipeline into a 24-bit frame, and can be
// written back out as a BAY file. Frames are rendered one at a time by the preview or by a save;
// the source holds one frame record and takes no lock.

class TBayer : public TAVISTREAM {
public:
    TBayer();
    ~TBayer() override;

    // The question about names that cannot be sorted; Ignore without asking by default.
    void SetUnsortableNameQuestion(UnsortableNameQuestion ask) { ask_ = std::move(ask); }
    // Builds the sequence of the folder of `file_name`. A first file that is missing or of no BAY
    // size is shown as an error and leaves no frames; a cancelled listing throws
    // fw::Error("Preview Canceled").
    void Open(const QString& file_name) override;
    void Close() override;

    // The frames of the selection the preview made (all files unless it made one).
    int32_t FrameCount() override { return sequence_.SelectedCount(); }
    // The frames on offer by entry, labelled as the preview lists them (file names without their
    // extension, or an imager's frame numbers), and the selection among them.
    virtual int32_t EntryCount() const { return sequence_.Count(); }
    virtual QString EntryLabel(int32_t entry) const { return sequence_.Name(entry); }
    // Entries first, first + step, ...: `count` of them, or to the end.
    virtual void SelectEntries(int32_t first, int32_t step, int32_t count = -1)
    {
        sequence_.SetFrameSelection(first, step, count);
    }
    virtual int32_t FrameStep() const { return sequence_.Step(); }
    // The folder the frames came from (with its '/'); empty for frames that come from elsewhere.
    virtual QString SourceFolder() const { return sequence_.Folder(); }
    virtual BayFrameSize FrameSize() const { return sequence_.FrameSize(); }
    int32_t Width() const { return FrameSize().width; }
    int32_t Height() const { return FrameSize().height; }
    int64_t FrameBytes() const { return FrameSize().DibBytes(); }
    BaySequence& Sequence() { return sequence_; }
    const BaySequence& Sequence() const { return sequence_; }

    // An imager behind the frames: its controls, or none for frames from files.
    virtual BayerImagerControl* ImagerControl() { return nullptr; }

    ProcessingPipeline& Pipeline() { return pipeline_; }
    // Off: frames come out of the raw pass alone, interpolated without the pipeline.
    void SetProcessing(bool on) { processing_ = on; }
    bool Processing() const { return processing_; }
    // Errors are no longer reported once quiet; the frames still come out grey.
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    bool Quiet() const { return quiet_; }

    // Renders frame `index` into `dib` (Width x Height x 3 bytes, bottom-up). A frame that fails
    // is filled with 127, its camera record with zeros, and the failure is reported: the answer
    // of the report is returned.
    int RenderFrame(int32_t index, uint8_t* dib);

    // The camera record of the frame last rendered.
    BayRecord Record() const;
    // Sets processing word i of the record and of the words written with saved frames.
    void SetWord(size_t index, int16_t value);
    BayFrameWriter& Writer() { return writer_; }
    // "Save Bayer Files": a save of the frames also writes each raw frame as a BAY file beside
    // the clip (or among the frame files).
    void SetSaveBayerFiles(bool on) { save_bayer_files_ = on; }
    void StartSave(int type, const QString& caption, const QString& target, SaveProgressHandler progress,
        SaveDoneHandler done, QObject* owner = nullptr) override;

    // Frames per second from the recording rate of the frame last rendered.
    int32_t FrameRate() const { return BayFrameRate(BayRecordingRateText(Record())); }
    // The recorded date and time, or the modification time of the frame's file when the record
    // holds no valid one (the day after the epoch when that cannot be had either).
    QDateTime FrameDateTime() const;
    // The descriptor block of the clip: [Camera] and [Timing] entries from the camera record.
    std::string Descriptors() const;

    // Writes every frame as a BAY file into `destination`; progress gets (i + 1) x 100 / count
    // after frame i and stops the save with anything but 0. Answers 0, or the user-abort code.
    int32_t SaveBayerFiles(const QString& destination, const SaveProgressHandler& progress);

    // Beside the clip types, a save can write the frames back out as BAY files.
    int TypeCount() const override;
    QString TypeCaption(int type) const override;
    QString TypeFilter(int type) const override;
    QString FrameFileFormat(int type) const override;
    QString DefaultExtension(int type) const override;
    bool ScatterFrames(const QString& directory, int type, const ScatterProgress& progress) override;

    bool GetInfo(TAVIStreamInfo& info) override;
    // The descriptor chunk is made from the camera record; there is no clip file to read.
    bool ReadData(uint32_t id, uint8_t* buffer, int32_t& size) override;
    bool BeginFrameAccess(FrameAccess*& handle) override;
    bool GetFrame(FrameAccess* handle, int32_t index, int32_t& size, const uint8_t*& frame) override;
    void EndFrameAccess(FrameAccess* handle) override;

protected:
    // Reads frame `index` of the selection into `record` (mosaic, then camera record); the reason
    // when it cannot.
    virtual std::optional<QString> ReadFrameRecord(int32_t index, std::vector<uint8_t>& record);
    // The BAY file frame `index` is written to when frames are saved as BAY files.
    virtual QString FrameFileName(int32_t index) const;
    // The file frame `index` came from, for its date when its record holds none; empty if none.
    virtual QString FramePath(int32_t index) const;
    // Camera facts the source knows better than the camera record: it may change them here.
    virtual void AdjustDescriptors(std::string& /*block*/) const { }
    // Asks about a frame that could not be rendered; the answer.
    virtual int Report(const QString& message);
    int64_t MosaicBytes() const { return FrameSize().MosaicBytes(); }

private:
    // Reads, interpolates and writes frame `index`; the failure message, or empty when done.
    QString TryRender(int32_t index, uint8_t* dib);

    BaySequence sequence_;
    UnsortableNameQuestion ask_ = IgnoreUnsortableName;
    ProcessingPipeline pipeline_;
    std::vector<uint8_t> record_; // the frame record last read
    int32_t last_index_ = -1; // the frame last rendered
    bool quiet_ = false;
    bool processing_ = true;
    bool write_ = false;
    bool save_bayer_files_ = false;
    BayFrameWriter writer_;
};

} // namespace fw
