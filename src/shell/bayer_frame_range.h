#pragma once

#include <cstdint>
#include <vector>

#include <QString>
#include <QStringList>

namespace fw {

// The frame range and interval of a Bayer preview over a list of frame labels (imager frame
// numbers, or the names of a sequence's files): first and last entry, the step between saved
// frames and the previewed entry, which always lies on the step grid between first and last.
class BayerFrameRange {
public:
    explicit BayerFrameRange(QStringList labels = {});

    const QStringList& Labels() const { return labels_; }
    int32_t First() const { return first_; }
    int32_t Last() const { return last_; }
    int32_t Interval() const { return interval_; }
    int32_t Preview() const { return preview_; }

    // Choosing a first entry after the last (or a last before the first) moves the other one
    // along. Entries outside the list are brought onto it.
    void SetFirst(int32_t entry);
    void SetLast(int32_t entry);
    // At least 1.
    void SetInterval(int32_t interval);
    // Takes the listed preview entry nearest below `entry`.
    void SetPreview(int32_t entry);
    // The range of stored labels; a label not in the list keeps the first or last entry.
    void Restore(const QString& first_label, const QString& last_label, int32_t interval);

    // Frames a save takes: (last - first) / interval + 1; 0 without labels.
    int32_t Count() const;
    // Every interval-th entry from first to last.
    std::vector<int32_t> PreviewEntries() const;
    // The preview entry's place among the saved frames.
    int32_t PreviewFrame() const { return (preview_ - first_) / interval_; }
    QString Label(int32_t entry) const;

    // Frame period of the saved clip: the recorded period times the interval.
    double FramePeriodMs(double recorded_rate_per_s) const;
    // The time of the first saved frame when entry `event_entry` is time zero ("Event Frame").
    double FirstFrameTimeMs(int32_t event_entry, double recorded_period_ms) const
    {
        return (first_ - event_entry) * recorded_period_ms;
    }

private:
    int32_t Clamped(int32_t entry) const;
    void KeepPreviewOnGrid();

    QStringList labels_;
    int32_t first_ = 0;
    int32_t last_ = 0;
    int32_t interval_ = 1;
    int32_t preview_ = 0;
};

} // namespace fw
