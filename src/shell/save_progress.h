#pragma once

#include <QString>

#include "clips/avi_clip_writer.h"

#include <cstdint>
#include <optional>

namespace fw {

// Result the AVI services give when the user stopped a save; any negative answer from the
// progress callback stops the save, and the saver then reports this code.
inline constexpr std::int32_t kAviErrUserAbort = avierr::kUserAbort;

// What the save panel shows for one progress call.
struct SaveProgressUpdate {
    // 0 goes on; kAviErrUserAbort stops the save (the window then clears its saving flag).
    std::int32_t answer = 0;
    // New remaining-time text, only when an estimate was due.
    std::optional<QString> estimate;
};

// The remaining-time arithmetic of the save panel. Times are steady-clock milliseconds passed
// in by the caller. Estimates wait 10 s after the start so the first figures, skewed by file
// set-up, are never shown, and then come at most every 10 s so the text stays readable.
class SaveProgress {
public:
    static constexpr std::int64_t kEstimateDelayMs = 5000;

    SaveProgressUpdate Report(int percent, std::int64_t now_ms, bool cancel_requested);

private:
    void Start(std::int64_t now_ms);

    bool started_ = false;
    std::int64_t start_ms_ = 0;
    std::int64_t mark_ms_ = 0;
};

// Remaining time in hundredths of a second, extrapolated from the time spent on percent.
std::int64_t RemainingHundredths(int percent, std::int64_t elapsed_ms);

// "42 Seconds Remaining" up to 90 s, "Time Remaining 1:05" above.
QString RemainingText(std::int64_t remaining_hundredths);

// The code as the user sees it: 8 upper-case hexadecimal digits.
QString ErrorCodeHex(std::int32_t code);

enum class SaveTargetKind { Directory, Clip };

struct SaveMessage {
    QString text;
    QString caption;
};

// The message for a finished save, or nothing when it succeeded (code 0) or the user stopped it.
// The reason the saver gave, when there is one, follows the code on a line of its own.
std::optional<SaveMessage> SaveFailureMessage(SaveTargetKind kind, const QString& target, std::int32_t code,
    bool cancel_requested, const QString& reason = {});

// Shown when the saved temporary file could not take the clip's own name.
SaveMessage RenameFailureMessage(const QString& temporary, const QString& final_name);

} // namespace fw
