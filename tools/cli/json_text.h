#pragma once

#include <string>

namespace fw::cli {

// A JSON string literal (quotes included) for 8-bit text: valid UTF-8 passes through, any other
// byte sequence is read as Latin-1, so every byte of a descriptor block survives the trip.
std::string jsonString(const std::string& text);

// A JSON number for a single-precision value, in the shortest form that reads back exactly.
std::string jsonNumber(float value);

} // namespace fw::cli
