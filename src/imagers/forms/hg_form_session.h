#pragma once

#include <cstdint>
#include <functional>

#include <QString>
#include <QStringList>

#include "imagers/hg/hg_comm_layer.h"

class QWidget;

namespace fw {

struct TAttacher;

// What the pages of the setup window share: the link and what the window knows of its imager,
// the questions every page may ask, and the guard that keeps one action at a time talking to
// the imager (the waits run the event loop, so timers and clicks could otherwise start a second
// exchange in the middle of the first).
class THGSetupSession {
public:
    THGSetupSession(THGCommLayer& link, QWidget& window);

    THGCommLayer& Link() const { return link_; }
    QWidget& Window() const { return window_; }
    bool NewModel() const { return link_.IsNewModel(); }
    int TypeCode() const { return link_.AttachData().type_code; }

    int ImagerState() const { return imager_state_; }
    void SetImagerState(int state) { imager_state_ = state; }
    bool RecordingPresent() const;

    // Runs a user action unless another one is talking to the imager; a refused start of the
    // state machine is shown as an error. Answers whether the action ran.
    bool Guarded(const std::function<void()>& action);
    bool Busy() const { return busy_depth_ > 0; }

    // The recording-present question: true when there is no recording, or the user let it be
    // erased (the erase and a status poll are sent).
    bool ConfirmClearRecording();
    // A command followed by a status poll.
    void Command(int command);
    // A playing imager is stopped before other controls act.
    void StopIfPlaying();
    int32_t Read(int command) const { return link_.ReadRegister(command); }
    void Write(int command, uint32_t value) const { link_.WriteRegister(command, value); }

    // The recording's frame numbers as the frame lists show them.
    QStringList RecordedFrames() const;
    // Asks the window to fill every page's frame lists anew.
    void SetFrameListsHandler(std::function<void()> handler) { frame_lists_handler_ = std::move(handler); }
    void RefreshFrameLists() const
    {
        if (frame_lists_handler_)
            frame_lists_handler_();
    }

    // The imager list entry the link serves, when the window knows it: changed addressing goes
    // into it, and its port names the interface in messages.
    void SetEntry(TAttacher* entry) { entry_ = entry; }
    TAttacher* Entry() const { return entry_; }
    QString InterfaceName() const;
    // Identifier, baud rate or address changed: the window reports a change when it closes.
    void NoteEntryChanged() { entry_changed_ = true; }
    bool EntryChanged() const { return entry_changed_; }

private:
    THGCommLayer& link_;
    QWidget& window_;
    TAttacher* entry_ = nullptr;
    std::function<void()> frame_lists_handler_;
    int imager_state_ = kImagerStateUnknown;
    int busy_depth_ = 0;
    bool entry_changed_ = false;
};

} // namespace fw
