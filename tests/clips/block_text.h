#pragma once

#include <string>

namespace fw {

// Blocks in tests are written with "|" for the carriage return, which keeps them readable.
inline std::string B(std::string text)
{
    for (char& c : text) {
        if (c == '|')
            c = '\r';
    }
    return text;
}

} // namespace fw
