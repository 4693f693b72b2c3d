#include "sim_log.h"

#include <cstdio>

namespace fw::imager_sim {
namespace {

bool g_verbose = false;
constexpr qsizetype kLongestShown = 200;

void writeLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

} // namespace

void setVerbose(bool on)
{
    g_verbose = on;
}

bool verbose()
{
    return g_verbose;
}

QByteArray describe(const QByteArray& bytes)
{
    if (bytes.size() > kLongestShown)
        return QByteArray::number(bytes.size()) + " data bytes";
    QByteArray text = "\"";
    for (const char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            text += "\\x" + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
        else
            text += c;
    }
    return text + "\"";
}

void logTraffic(
    const QByteArray& who, const QByteArray& direction, const QByteArray& peer, const QByteArray& bytes)
{
    if (g_verbose)
        writeLine(who + ' ' + direction + ' ' + peer + ' ' + describe(bytes));
}

void logNote(const QByteArray& who, const QByteArray& note)
{
    if (g_verbose)
        writeLine(who + ' ' + note);
}

} // namespace fw::imager_sim
