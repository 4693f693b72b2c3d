#include "command_frame.h"

namespace fw::imager_sim {

std::optional<CommandFrame> parseCommandFrame(const QByteArray& text)
{
    CommandFrame frame;
    qsizetype code_at = 0;
    if (text.startsWith('#')) {
        if (text.size() < 5)
            return std::nullopt;
        bool ok = false;
        frame.identifier = text.mid(1, 2).toInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        code_at = 3;
    } else {
        if (text.size() < 2)
            return std::nullopt;
        frame.broadcast = true;
    }
    frame.code = text.mid(code_at, 2).toUpper();
    frame.argument = text.mid(code_at + 2);
    return frame;
}

QByteArray stripLineEnd(const QByteArray& datagram)
{
    QByteArray text;
    text.reserve(datagram.size());
    for (const char c : datagram) {
        if (static_cast<unsigned char>(c) > 13)
            text.append(c);
    }
    return text;
}

} // namespace fw::imager_sim
