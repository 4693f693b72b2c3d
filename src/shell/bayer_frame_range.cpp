#include "shell/bayer_frame_range.h"

#include <algorithm>

namespace fw {

BayerFrameRange::BayerFrameRange(QStringList labels)
    : labels_(std::move(labels))
    , last_(std::max(int32_t(labels_.size()) - 1, 0))
{
}

int32_t BayerFrameRange::Clamped(int32_t entry) const
{
    return std::clamp(entry, 0, std::max(int32_t(labels_.size()) - 1, 0));
}

void BayerFrameRange::SetFirst(int32_t entry)
{
    first_ = Clamped(entry);
    last_ = std::max(last_, first_);
    KeepPreviewOnGrid();
}

void BayerFrameRange::SetLast(int32_t entry)
{
    last_ = Clamped(entry);
    first_ = std::min(first_, last_);
    KeepPreviewOnGrid();
}

void BayerFrameRange::SetInterval(int32_t interval)
{
    interval_ = std::max(interval, 1);
    KeepPreviewOnGrid();
}

void BayerFrameRange::SetPreview(int32_t entry)
{
    preview_ = entry;
    KeepPreviewOnGrid();
}

void BayerFrameRange::Restore(const QString& first_label, const QString& last_label, int32_t interval)
{
    const auto first = labels_.indexOf(first_label);
    const auto last = labels_.indexOf(last_label);
    first_ = first >= 0 ? int32_t(first) : 0;
    last_ = last >= first_ ? int32_t(last) : std::max(int32_t(labels_.size()) - 1, 0);
    SetInterval(interval);
}

void BayerFrameRange::KeepPreviewOnGrid()
{
    // The previously shown frame stays while it is still listed; otherwise the nearest listed
    // one below it (or the first).
    const int32_t listed_last = first_ + (last_ - first_) / interval_ * interval_;
    const int32_t inside = std::clamp(preview_, first_, listed_last);
    preview_ = first_ + (inside - first_) / interval_ * interval_;
}

int32_t BayerFrameRange::Count() const
{
    return labels_.isEmpty() ? 0 : (last_ - first_) / interval_ + 1;
}

std::vector<int32_t> BayerFrameRange::PreviewEntries() const
{
    std::vector<int32_t> entries;
    if (labels_.isEmpty())
        return entries;
    for (int32_t entry = first_; entry <= last_; entry += interval_)
        entries.push_back(entry);
    return entries;
}

QString BayerFrameRange::Label(int32_t entry) const
{
    return entry >= 0 && entry < labels_.size() ? labels_.at(entry) : QString();
}

double BayerFrameRange::FramePeriodMs(double recorded_rate_per_s) const
{
    return recorded_rate_per_s > 0 ? 1000.0 / recorded_rate_per_s * interval_ : 1.0 * interval_;
}

} // namespace fw
