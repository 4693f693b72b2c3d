#pragma once

// What the capture tests share: waits that never wait, a recorder of the thread's callbacks, a
// count of what the thread holds of the grabber library, and the simulator's own pictures.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include <QByteArray>
#include <QString>

#include "imagers/capture/capture_thread.h"
#include "imagers/capture/capture_waits.h"

namespace fw {

class TIMAQ;

// Returns at once and notes each wait asked for.
class ImmediateWaits : public TCaptureWaits {
public:
    struct Log {
        std::mutex mutex;
        std::map<long long, int> waits_by_ms;
        // Idle waits (the thread's pause after an error) last until the next Wake, so that the
        // status of the failure stays on show.
        bool hold_idle = false;
        std::condition_variable woken_changed;
        bool woken = false;

        int Count(long long ms)
        {
            std::lock_guard lock(mutex);
            return waits_by_ms[ms];
        }
    };

    explicit ImmediateWaits(std::shared_ptr<Log> log)
        : log_(std::move(log))
    {
    }
    void Wait(std::chrono::milliseconds duration) override;
    void Wake() override;

private:
    std::shared_ptr<Log> log_;
};

// Everything the thread reports, for the test thread to wait on and look at.
class CaptureRecorder {
public:
    CaptureCallbacks Callbacks();

    // Waits until `done` holds (it is asked again after every report, and every few
    // milliseconds for read-outs the thread does not report). False only when the thread seems
    // stuck for good.
    bool WaitFor(const std::function<bool()>& done);

    std::vector<CaptureStatus> Statuses() const;
    std::vector<CaptureProperties> Properties() const;
    std::optional<CaptureCompletion> Completion() const;
    int CompletionCount() const;
    // The camera frame numbers the live frames carried, in order.
    std::vector<uint32_t> LiveStamps() const;
    bool SawStage(CaptureStage stage) const;
    std::optional<CaptureStatus> FirstError() const;

private:
    void Notify();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<CaptureStatus> statuses_;
    std::vector<CaptureProperties> properties_;
    std::optional<CaptureCompletion> completion_;
    int completions_ = 0;
    std::vector<uint32_t> live_stamps_;
};

// Stands between TIMAQ and the library: counts the buffers, sessions and interfaces the thread
// holds and the rings it starts, and can make the grabber run ahead of the thread.
class GrabberLedger {
public:
    struct RingStart {
        uint32_t count;
        uint32_t frames_to_skip;
        uint32_t start_now;
    };

    static void Install(TIMAQ& imaq);
    static void Reset();
    static int OpenBuffers();
    static int OpenSessions();
    static int OpenInterfaces();
    static std::vector<RingStart> RingStarts();
    // When the thread asks for buffer `when` for the first time, the grabber has already gone
    // on to buffer `to`.
    static void RunAheadAt(uint32_t when, uint32_t to);
};

// The camera frame number a frame carries in the first byte of its first four pixels.
uint32_t StampOf(const uint8_t* frame, int pixel_bytes);

// What the simulator delivers as camera frame `frame` on `interface_name` with these settings,
// converted as a capture stores it: lines padded to 4 bytes, colour as blue, green, red.
QByteArray StoredSimFrame(const char* interface_name, bool monochrome, uint32_t decimation, uint32_t frame);
// StoredSimFrame of each camera frame in `frames`.
std::vector<QByteArray> StoredSimFrames(
    const char* interface_name, bool monochrome, uint32_t decimation, const std::vector<uint32_t>& frames);

// The little-endian 32-bit number at byte `at`.
uint32_t U32At(const QByteArray& bytes, qsizetype at);

// The capture file expected for these frames, built from the file layout byte by byte.
struct ExpectedCapture {
    int32_t width = 0;
    int32_t height = 0;
    bool colour = false;
    uint32_t frames_requested = 0;
    std::vector<QByteArray> frames; // stored frames

    QByteArray FileBytes() const;
};

QByteArray ReadAll(const QString& path);

} // namespace fw
