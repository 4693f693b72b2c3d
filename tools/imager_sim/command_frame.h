#pragma once

// One command frame as it arrives: "#" + identifier + code + argument, or, for the broadcasts,
// code + argument alone. The carriage return is already removed.

#include <optional>

#include <QByteArray>

namespace fw::imager_sim {

struct CommandFrame {
    bool broadcast = false;
    int identifier = -1; // -1 for broadcast frames
    QByteArray code; // two characters, upper case
    QByteArray argument; // sub-code included for sub-coded commands
};

// Nullopt for a frame too short to carry a code or with a malformed identifier.
std::optional<CommandFrame> parseCommandFrame(const QByteArray& text);

// Strips the line end the links add: carriage returns, line feeds and other control characters.
QByteArray stripLineEnd(const QByteArray& datagram);

} // namespace fw::imager_sim
