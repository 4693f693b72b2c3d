#include "serial_line.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "sim_log.h"

namespace fw::imager_sim {
namespace {

constexpr char kCarriageReturn = '\r';
// No frame is this long; a line that grows past it without a carriage return is noise.
constexpr qsizetype kLongestLine = 4096;

} // namespace

SerialLine::SerialLine(const std::vector<ImagerConfig>& imagers, const FaultSettings& faults, QObject* parent)
    : QObject(parent)
{
    stations_.reserve(imagers.size());
    for (const ImagerConfig& config : imagers)
        stations_.push_back({ SimImager(config), FaultSwitches(faults),
            "[" + toHex(quint32(config.identifier), 2) + " serial]" });
}

SerialLine::~SerialLine()
{
    if (master_fd_ >= 0)
        ::close(master_fd_);
    if (slave_fd_ >= 0)
        ::close(slave_fd_);
}

bool SerialLine::open(QString& error)
{
    char name[256] = {};
    if (::openpty(&master_fd_, &slave_fd_, name, nullptr, nullptr) != 0) {
        error = QStringLiteral("cannot open a pseudo-terminal: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // The simulator keeps the slave open so that the line stays up between clients.
    termios raw {};
    ::tcgetattr(slave_fd_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_fd_, TCSANOW, &raw);
    ::fcntl(master_fd_, F_SETFL, ::fcntl(master_fd_, F_GETFL) | O_NONBLOCK);
    device_path_ = name;
    notifier_ = new QSocketNotifier(master_fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SerialLine::readAvailable);
    return true;
}

// Characters up to a carriage return form a frame; line feeds and other control characters are
// dropped, as the line's receivers do.
void SerialLine::readAvailable()
{
    char buffer[4096];
    const ssize_t count = ::read(master_fd_, buffer, sizeof buffer);
    for (ssize_t i = 0; i < count; ++i) {
        if (buffer[i] == kCarriageReturn) {
            if (!line_.isEmpty())
                answerLine(line_);
            line_.clear();
        } else if (static_cast<unsigned char>(buffer[i]) > 13) {
            line_.append(buffer[i]);
            if (line_.size() > kLongestLine)
                line_.clear();
        }
    }
}

void SerialLine::answerLine(const QByteArray& line)
{
    logTraffic("[serial]", "<-", "line", line + kCarriageReturn);
    const std::optional<CommandFrame> frame = parseCommandFrame(line);
    for (Station& station : stations_) {
        if (!frame || !station.imager.accepts(*frame)) {
            logNote(station.name, "not for this imager");
            continue;
        }
        std::vector<QByteArray> notes;
        const std::vector<Outgoing> outgoing = station.faults.apply(station.imager.handle(*frame), notes);
        for (const QByteArray& note : notes)
            logNote(station.name, note);
        for (const Outgoing& item : outgoing)
            writeOut(item.bytes, station.name);
    }
}

void SerialLine::writeOut(const QByteArray& bytes, const QByteArray& who)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count
            = ::write(master_fd_, bytes.constData() + written, size_t(bytes.size() - written));
        if (count <= 0) {
            logNote(who, "line full or closed, reply dropped");
            return;
        }
        written += count;
    }
    logTraffic(who, "->", "line", bytes);
}

} // namespace fw::imager_sim
