#pragma once

// The library's result codes and their texts. Codes the capture tells apart come from the entry
// points' header; the others are this library's own, in a block of their own. A failure that has
// a reason from Aravis or GLib keeps that reason beside the code, so that imgShowError can add it.

#include <cstdint>
#include <string>

#include "imagers/imaq/imaq_api.h"

namespace fw::imaq_genicam {

inline constexpr int32_t kOk = 0;

using fw::kImgErrAcquiring;
using fw::kImgErrNoBufferHeld;
using fw::kImgErrNoBufferMemory;
using fw::kImgErrNotAcquiring;
using fw::kImgErrTimeout;

inline constexpr int32_t kErrNullPointer = ImgCode(0xBFF60401);
inline constexpr int32_t kErrUnknownInterface = ImgCode(0xBFF60402);
inline constexpr int32_t kErrUnknownSession = ImgCode(0xBFF60403);
inline constexpr int32_t kErrNoSuchCamera = ImgCode(0xBFF60404);
inline constexpr int32_t kErrCameraOpen = ImgCode(0xBFF60405);
inline constexpr int32_t kErrCameraSetting = ImgCode(0xBFF60406);
inline constexpr int32_t kErrNoPixelFormat = ImgCode(0xBFF60407);
inline constexpr int32_t kErrUnknownAttribute = ImgCode(0xBFF60408);
inline constexpr int32_t kErrAttributeValue = ImgCode(0xBFF60409);
inline constexpr int32_t kErrReadOnlyAttribute = ImgCode(0xBFF6040A);
inline constexpr int32_t kErrNoRing = ImgCode(0xBFF6040B);
inline constexpr int32_t kErrUnknownBuffer = ImgCode(0xBFF6040C);
inline constexpr int32_t kErrBufferTooSmall = ImgCode(0xBFF6040D);
inline constexpr int32_t kErrBufferHeld = ImgCode(0xBFF6040E);
inline constexpr int32_t kErrSessionOpen = ImgCode(0xBFF6040F);
inline constexpr int32_t kErrStream = ImgCode(0xBFF60410);
inline constexpr int32_t kErrBufferInUse = ImgCode(0xBFF60411);
inline constexpr int32_t kErrBufferLocation = ImgCode(0xBFF60412);
inline constexpr int32_t kErrFrameFormat = ImgCode(0xBFF60413);
inline constexpr int32_t kErrBadArgument = ImgCode(0xBFF60414);
inline constexpr int32_t kErrCameraLost = ImgCode(0xBFF60415);

// The fixed text of a code, or nullptr for a code this library never returns.
const char* ErrorText(int32_t code);

// "Aravis: " + the message of a GLib error, or empty without one.
std::string Reason(const struct _GError* error);

// Remembers why the latest failure with this code happened and returns the code. An empty
// reason forgets an older one, so that a text never explains a failure with another's cause.
int32_t Fail(int32_t code, const std::string& reason = {});

// The text imgShowError gives: the code's text, then the reason of its latest failure.
std::string ErrorMessage(int32_t code);

} // namespace fw::imaq_genicam
