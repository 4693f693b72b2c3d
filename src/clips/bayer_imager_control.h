#pragma once

#include <cstdint>
#include <functional>

#include <QString>

namespace fw {

// What the Bayer preview drives of an imager that its frames come from: the imager's state,
// temperature and errors as they are reported, recording, live pictures and its setup window.
class BayerImagerControl {
public:
    virtual ~BayerImagerControl() = default;

    // Sets the reports (run on the user-interface thread); answers the imager's state now.
    virtual int InstallHandlers(std::function<void(int state)> state_changed,
        std::function<void(int celsius)> temperature, std::function<void(const QString& error)> comm_error)
        = 0;
    virtual void RemoveHandlers() = 0;
    virtual QString StateName(int state) const = 0;
    virtual bool HasRecording() = 0;
    // The imager's recorded range again; true when it changed (the frame list is new).
    virtual bool RefreshRange() = 0;

    virtual void Stop() = 0;
    virtual void Trigger() = 0;
    virtual void ArmRecord() = 0;
    // Live pictures: `frame_ready` runs for each new picture, which RenderLive interpolates.
    virtual void StartLive(std::function<void()> frame_ready) = 0;
    virtual void StopLive() = 0;
    virtual void RenderLive(uint8_t* dib) = 0;
    // The imager's setup window, modally; the reports are the preview's again afterwards.
    virtual void OpenSetup() = 0;
};

// Imager states the preview acts on.
inline constexpr int kImagerStandby = 0;
inline constexpr int kImagerReadyToRecord = 3;
inline constexpr int kImagerRecording = 4;
inline constexpr int kImagerRecordingDone = 5;
inline constexpr int kImagerUnknownState = 10;

} // namespace fw
