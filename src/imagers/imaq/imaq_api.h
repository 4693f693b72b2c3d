#pragma once

// The C interface of a frame-grabber library as the capture uses it. The program never links such
// a library: TIMAQ loads one at run time and looks these names up. The simulated grabber and the
// GenICam library implement exactly these declarations.
//
// Every entry point returns 0 on success or a negative grabber code (0xBFF6xxxx as an unsigned
// number). Identifiers of interfaces and sessions are the library's own; buffers are the memory
// imgCreateBuffer hands out.

#include <cstddef>
#include <cstdint>

extern "C" {

int32_t imgInterfaceOpen(const char* name, uint32_t* interface_id);
int32_t imgInterfaceReset(uint32_t interface_id);
int32_t imgSessionOpen(uint32_t interface_id, uint32_t* session_id);
int32_t imgGetAttribute(uint32_t session_id, uint32_t attribute, uint32_t* value);
int32_t imgSetAttribute(uint32_t session_id, uint32_t attribute, uint32_t value);
int32_t imgCreateBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer);
int32_t imgRingSetup(uint32_t session_id, uint32_t buffer_count, void** buffer_list, uint32_t frames_to_skip,
    uint32_t start_now);
int32_t imgSessionExamineBuffer(uint32_t session_id, uint32_t wanted, uint32_t* given, void** buffer);
int32_t imgSessionReleaseBuffer(uint32_t session_id);
int32_t imgSessionStatus(uint32_t session_id, uint32_t* acquiring, uint32_t* buffer_number);
int32_t imgSessionStopAcquisition(uint32_t session_id);
// Fills the list with the numbers of the buffers lost since acquisition started, then a 0.
int32_t imgSessionGetLostFramesList(uint32_t session_id, uint32_t* list, uint32_t count);
int32_t imgDisposeBuffer(void* buffer);
int32_t imgClose(uint32_t id, uint32_t free_resources);
// text: kImgErrorTextSize bytes.
int32_t imgShowError(int32_t code, char* text);
// name: kImgInterfaceNameSize bytes.
int32_t imgInterfaceQueryNames(uint32_t index, char* name);

} // extern "C"

namespace fw {

inline constexpr std::size_t kImgErrorTextSize = 256;
inline constexpr std::size_t kImgInterfaceNameSize = 64;
// Entries of the lost-frames list the capture asks for.
inline constexpr uint32_t kImgLostFramesListSize = 512;

// imgCreateBuffer: the buffer lives in system memory.
inline constexpr uint32_t kImgBufferInSystemMemory = 0;

// Attributes read.
inline constexpr uint32_t kImgAttrColourCapable = 0x3FF60003; // 1: the grabber can deliver colour
inline constexpr uint32_t kImgAttrWidth = 0x3FF6006E; // pixels of a delivered line
inline constexpr uint32_t kImgAttrHeight = 0x3FF6006F; // lines of a delivered frame
inline constexpr uint32_t kImgAttrLostFrames = 0x3FF60088; // 1 or more: frames were lost

// Attributes set.
inline constexpr uint32_t kImgAttrColourMode = 0x3FF600AE; // only on colour-capable grabbers
inline constexpr uint32_t kImgAttrHorizontalDecimation = 0x3FF60072;
inline constexpr uint32_t kImgAttrVerticalDecimation = 0x3FF60073;
inline constexpr uint32_t kImgAttrTimeout_ms = 0x3FF6007D; // longest wait for a buffer
// Set to 1 before every ring; what they select is the grabber's business.
inline constexpr uint32_t kImgAttrAcquireSetting82 = 0x3FF60082;
inline constexpr uint32_t kImgAttrAcquireSetting07 = 0x3FF60007;
inline constexpr uint32_t kImgAttrAcquireSetting75 = 0x3FF60075;

// Values of kImgAttrColourMode. Colour pixels are 4 bytes: blue, green, red, unused.
inline constexpr uint32_t kImgColourModeColour = 0;
inline constexpr uint32_t kImgColourModeMonochrome = 2;

// Values of the two decimation attributes: every pixel and line (1 means the same), or every
// second one.
inline constexpr uint32_t kImgDecimationFull = 0;
inline constexpr uint32_t kImgDecimationHalf = 2;

// Grabber codes the capture tells apart; any other negative result is a plain failure.
inline constexpr int32_t ImgCode(uint32_t code)
{
    return static_cast<int32_t>(code);
}
// Memory for buffers ran out: the ring makes do with fewer.
inline constexpr int32_t kImgErrNoMemory = ImgCode(0xBFF6000C);
inline constexpr int32_t kImgErrNoBufferMemory = ImgCode(0xBFF60010);
inline constexpr int32_t kImgErrNoLockableMemory = ImgCode(0xBFF6002D);
// Conditions that pass: the capture stops the session and starts it again.
inline constexpr int32_t kImgErrNotAcquiring = ImgCode(0xBFF6001E);
inline constexpr int32_t kImgErrAcquiring = ImgCode(0xBFF6001F);
inline constexpr int32_t kImgErrNoBufferHeld = ImgCode(0xBFF60022);
// No buffer came within kImgAttrTimeout_ms; the capture asks again.
inline constexpr int32_t kImgErrTimeout = ImgCode(0xBFF60023);

} // namespace fw
