#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "clips/bay_frame_file.h"
#include "support/user_prompt.h"

namespace fw {

// Asked, with Cancel and Ignore, about a file name that holds no number to sort by; gets the
// question text. The windows ask the user; the command line answers on its own.
using UnsortableNameQuestion = std::function<PromptButton(const QString& question)>;
// The default answer: Ignore, so the name sorts with key 0.
PromptButton IgnoreUnsortableName(const QString& question);

// The BAY files of one folder, in frame order: every file with the extension of the file
// opened (in either case), sorted by the number in its name, which does not wrap.
class BaySequence {
public:
    // Builds the sequence of the folder of `path`. Answers the failure message when the file
    // does not open or its size is no BAY frame size (the sequence then has no frames). Throws
    // fw::Error("Preview Canceled") when the question about an unsortable name is cancelled.
    std::optional<QString> Open(
        const QString& path, const UnsortableNameQuestion& ask = IgnoreUnsortableName);

    int32_t Count() const { return int32_t(file_names_.size()); }
    const BayFrameSize& FrameSize() const { return size_; }
    const QString& Folder() const { return folder_; } // ends with '/'
    const QString& Extension() const { return extension_; } // with its dot, or empty
    // The smallest file number: frame numbers run from here, one per file.
    int32_t LowestNumber() const { return lowest_number_; }
    // 1-based position of the file numbered 0; 0 when there is none.
    int32_t ZeroFramePosition() const { return zero_position_; }
    // The name of entry i, without folder and extension.
    QString Name(int32_t entry) const { return FileName(entry).chopped(extension_.size()); }
    const QString& FileName(int32_t entry) const { return file_names_[size_t(entry)]; }
    QString Path(int32_t entry) const { return folder_ + FileName(entry); }

    // Frames are entries first + i x step, at most `count` of them (all that fit when negative);
    // the preview using the sequence sets them.
    void SetFrameSelection(int32_t first, int32_t step, int32_t count = -1);
    // How many frames the selection holds.
    int32_t SelectedCount() const;
    int32_t FirstEntry() const { return first_; }
    int32_t Step() const { return step_; }
    // The entry of frame i, or -1 outside the list.
    int32_t EntryOfFrame(int32_t frame) const;
    // Reads frame i into `record` with every check of a frame file.
    std::optional<BayReadFailure> ReadFrame(int32_t frame, std::vector<uint8_t>& record) const;

private:
    void Reset();
    void ListFolder(const QString& path, const UnsortableNameQuestion& ask);

    std::vector<QString> file_names_;
    BayFrameSize size_;
    QString folder_;
    QString extension_;
    int32_t zero_position_ = 0;
    int32_t lowest_number_ = 0;
    int32_t first_ = 0;
    int32_t step_ = 1;
    int32_t count_limit_ = -1;
};

} // namespace fw
