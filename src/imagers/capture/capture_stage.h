#pragma once

#include <cstdint>

#include <QString>

namespace fw {

class TIMAQ;

// The steps of the capture thread, in the order one capture goes through them. The thread runs
// one step per turn of its loop; "Live Mode" and "Capture Frames" take one frame per turn.
enum class CaptureStage : int {
    csIdle = 0, // waits, then goes on at the resume stage
    csInitialize = 1, // opens the interface and a session
    csAllocateBuffers = 2, // sets the grabber up and makes the ring of buffers
    csOpenAviFile = 3, // creates the AVI file and writes its headers
    csStartSession = 4, // starts the ring
    csLiveMode = 5, // shows frames and waits for the trigger
    csCaptureFrames = 6, // writes frames into the file
    csStopSession = 7, // stops the ring
    csCloseAviFile = 8, // finishes and writes the file
    csDeallocateBuffers = 9, // disposes of the buffers
    csFinalize = 10, // closes the session and the interface
    csTerminate = 11, // the thread ends
};

// The name the status bar shows for a stage; empty for csIdle.
QString CaptureStageName(CaptureStage stage);

// The capture thread's own error codes.
inline constexpr int32_t kCapErrOpeningFile = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kCapErrWritingFile = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kCapErrClosingFile = static_cast<int32_t>(0x80000003u);
inline constexpr int32_t kCapErrRateTooFast = static_cast<int32_t>(0x80000004u);
inline constexpr int32_t kCapErrCanceled = static_cast<int32_t>(0x80000005u);
// From here up (as signed numbers) codes are the grabber's, or the wrapper's own -1 and -2.
inline constexpr int32_t kCapFirstLibraryCode = static_cast<int32_t>(0x80000064u);

// The text of an error of the capture thread: the thread's own texts, the library's text for a
// grabber or wrapper code, and no text for anything else (0 included).
QString CaptureErrorText(int32_t code, TIMAQ& imaq);

// Grabber conditions after which the thread simply starts the ring again, and the thread's own
// "Rate too Fast" after which it starts again at a lower rate.
bool IsRetriedCaptureError(int32_t code);

} // namespace fw
