#include "clips/bay_sequence.h"

#include <algorithm>

#include <QFile>

#include "clips/numbered_sequence.h"
#include "support/fw_error.h"

namespace fw {

PromptButton IgnoreUnsortableName(const QString& /*question*/)
{
    return PromptButton::Ignore;
}

void BaySequence::Reset()
{
    file_names_.clear();
    size_ = {};
    zero_position_ = 0;
    lowest_number_ = 0;
}

std::optional<QString> BaySequence::Open(const QString& path, const UnsortableNameQuestion& ask)
{
    Reset();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("File ") + path + QStringLiteral(" not found.");
    const std::optional<BayFrameSize> size = BayFrameSizeForFile(file.size());
    if (!size)
        return QStringLiteral("File \"") + path + QStringLiteral("\" size is invalid for a BAY file.");
    size_ = *size;
    ListFolder(path, ask);
    return std::nullopt;
}

void BaySequence::ListFolder(const QString& path, const UnsortableNameQuestion& ask)
{
    const auto answer = [&ask](const QString& question) {
        return ask(question) == PromptButton::Cancel ? UnsortableAnswer::Abort : UnsortableAnswer::Ignore;
    };
    try {
        NumberedSequence listed = ListNumberedSequence(path, SequenceNumbering { false }, answer);
        lowest_number_ = listed.names.empty() ? 0 : listed.lowest_number;
        folder_ = listed.folder;
        extension_ = listed.extension;
        file_names_ = std::move(listed.names);
        zero_position_ = listed.zero_position ? *listed.zero_position + 1 : 0;
    } catch (...) {
        Reset();
        throw;
    }
}

void BaySequence::SetFrameSelection(int32_t first, int32_t step, int32_t count)
{
    first_ = std::max(first, 0);
    step_ = std::max(step, 1);
    count_limit_ = count;
}

int32_t BaySequence::SelectedCount() const
{
    const int64_t left = int64_t(Count()) - first_;
    const auto fitting = int32_t(left <= 0 ? 0 : (left + step_ - 1) / step_);
    return count_limit_ < 0 ? fitting : std::min(fitting, count_limit_);
}

int32_t BaySequence::EntryOfFrame(int32_t frame) const
{
    const int64_t entry = int64_t(first_) + int64_t(frame) * step_;
    return frame < 0 || frame >= SelectedCount() ? -1 : int32_t(entry);
}

std::optional<BayReadFailure> BaySequence::ReadFrame(int32_t frame, std::vector<uint8_t>& record) const
{
    const int32_t entry = EntryOfFrame(frame);
    if (entry < 0) {
        record.assign(size_t(size_.record_bytes), 0);
        return BayReadFailure { QStringLiteral("Frame %1 is outside the sequence.").arg(frame) };
    }
    return ReadBayFrameFile(Path(entry), size_, record);
}

} // namespace fw
