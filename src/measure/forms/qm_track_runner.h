#pragma once

#include <cstddef>
#include <memory>

#include <QObject>
#include <QPointer>

#include "measure/track_run.h"

class QProgressDialog;
class QTimer;
class QWidget;

namespace fw {

class ClipTrackFrames;
class TAVISTREAM;

// Runs one track on the user-interface thread, a slice of frames per turn of the event loop, so
// the windows stay responsive; a progress dialog shows how far it got and its Cancel ends the
// run after the slice under way. Frames are decoded through a frame access of the run's own.
class QMTrackRunner : public QObject {
    Q_OBJECT
public:
    // Reads the start frame at once; Start() begins the slices.
    QMTrackRunner(TAVISTREAM& stream, const TrackRequest& request, QWidget* window);
    ~QMTrackRunner() override;

    void Start();
    void Cancel();
    bool Running() const;
    bool Cancelled() const { return cancelled_; }
    const TrackRun& Run() const { return *run_; }

signals:
    // Frames from this index of Run().Frames() on are new.
    void FramesFound(size_t first_new);
    // The run ended: every frame tracked, stopped, or cancelled.
    void Finished();

private:
    void Slice();
    void Finish();

    std::unique_ptr<ClipTrackFrames> frames_;
    std::unique_ptr<TrackRun> run_;
    QTimer* timer_ = nullptr;
    QPointer<QProgressDialog> progress_;
    size_t reported_ = 0;
    bool cancelled_ = false;
    bool finished_ = false;
};

} // namespace fw
