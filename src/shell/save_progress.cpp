#include "shell/save_progress.h"

namespace fw {

namespace {

constexpr std::int64_t kSecondsTextLimit = 90;

} // namespace

SaveProgressUpdate SaveProgress::Report(int percent, std::int64_t now_ms, bool cancel_requested)
{
    SaveProgressUpdate update;
    if (cancel_requested) {
        update.answer = kAviErrUserAbort;
        return update;
    }
    // A saver that never reports 0 still gets its start taken at the first call, rather than
    // extrapolating from the previous save's start.
    if (percent <= 0 || !started_) {
        Start(now_ms);
        return update;
    }
    if (now_ms - mark_ms_ > kEstimateDelayMs) {
        mark_ms_ = now_ms + kEstimateDelayMs;
        update.estimate = RemainingText(RemainingHundredths(percent, now_ms - start_ms_));
    }
    return update;
}

void SaveProgress::Start(std::int64_t now_ms)
{
    started_ = true;
    start_ms_ = now_ms;
    mark_ms_ = now_ms + kEstimateDelayMs;
}

std::int64_t RemainingHundredths(int percent, std::int64_t elapsed_ms)
{
    if (percent <= 0 || elapsed_ms <= 0)
        return 0;
    const std::int64_t p = percent > 100 ? 100 : percent;
    return (100 - p) * (elapsed_ms / 10 / p);
}

QString RemainingText(std::int64_t remaining_hundredths)
{
    const std::int64_t seconds = remaining_hundredths / 100;
    if (seconds <= kSecondsTextLimit)
        return QString::number(seconds) + QStringLiteral(" Seconds Remaining");
    return QStringLiteral("Time Remaining %1:%2")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString ErrorCodeHex(std::int32_t code)
{
    return QStringLiteral("%1").arg(static_cast<std::uint32_t>(code), 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<SaveMessage> SaveFailureMessage(SaveTargetKind kind, const QString& target, std::int32_t code,
    bool cancel_requested, const QString& reason)
{
    if (code == 0 || code == kAviErrUserAbort || cancel_requested)
        return std::nullopt;
    const QString because = reason.isEmpty() ? QString() : QLatin1Char('\r') + reason;
    if (kind == SaveTargetKind::Directory)
        return SaveMessage { QStringLiteral("Error Scattering files to ") + target
                + QStringLiteral("\rError Code: ") + ErrorCodeHex(code) + because,
            QStringLiteral("Scatter/Save Failed") };
    return SaveMessage { QStringLiteral("Error creating file ") + target
            + QStringLiteral("\rAVI Save Error Code: ") + ErrorCodeHex(code) + because,
        QStringLiteral("Save Failed") };
}

SaveMessage RenameFailureMessage(const QString& temporary, const QString& final_name)
{
    return SaveMessage { QStringLiteral("Could not Rename ") + temporary + QStringLiteral("\rto ")
            + final_name,
        QStringLiteral("Rename Failed") };
}

} // namespace fw
