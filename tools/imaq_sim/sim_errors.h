#pragma once

// The simulated grabber's result codes and their texts. Codes are negative 32-bit values
// 0xBFF6xxxx; the ones a capture program tells apart keep the numbers the published interface
// gives them.

#include <cstdint>

namespace fw::imaq_sim {

constexpr std::int32_t code(std::uint32_t value)
{
    return static_cast<std::int32_t>(value);
}

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kErrInvalidId = code(0xBFF60005);
constexpr std::int32_t kErrNullPointer = code(0xBFF60006);
constexpr std::int32_t kErrUnknownAttribute = code(0xBFF60008);
constexpr std::int32_t kErrBadValue = code(0xBFF60009);
constexpr std::int32_t kErrReadOnly = code(0xBFF6000A);
constexpr std::int32_t kErrNotSupported = code(0xBFF6000B);
constexpr std::int32_t kErrNoMemory = code(0xBFF6000C);
constexpr std::int32_t kErrInterfaceNotFound = code(0xBFF6000D);
constexpr std::int32_t kErrInterfaceFault = code(0xBFF6000E);
constexpr std::int32_t kErrInvalidParameter = code(0xBFF6000F);
constexpr std::int32_t kErrBufferList = code(0xBFF60011);
constexpr std::int32_t kErrInvalidBuffer = code(0xBFF60012);
constexpr std::int32_t kErrBufferInUse = code(0xBFF60013);
constexpr std::int32_t kErrAcquisition = code(0xBFF60014);
constexpr std::int32_t kErrBufferHeld = code(0xBFF60015);
constexpr std::int32_t kErrIndexRange = code(0xBFF60016);
constexpr std::int32_t kErrUnknownCode = code(0xBFF60017);
constexpr std::int32_t kErrNotAcquiring = code(0xBFF6001E);
constexpr std::int32_t kErrAcquiring = code(0xBFF6001F);
constexpr std::int32_t kErrNoBufferHeld = code(0xBFF60022);
constexpr std::int32_t kErrTimeout = code(0xBFF60023);

// The text of a code, or null for a code the grabber does not define.
const char* errorText(std::int32_t error);

} // namespace fw::imaq_sim
