#include "imagers/pty_imager_line.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace fw::test {

namespace {

constexpr int kPollMs = 10;
constexpr auto kPieceGap = std::chrono::milliseconds(30);

} // namespace

PtyImagerLine::PtyImagerLine(Script script)
    : script_(std::move(script))
{
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    device_path_ = QString::fromLocal8Bit(name);
    // Raw from the start: a line in cooked mode would echo the imagers' answers back to them.
    termios settings {};
    ::tcgetattr(slave_, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(slave_, TCSANOW, &settings);
    thread_ = std::thread([this] { Run(); });
}

PtyImagerLine::~PtyImagerLine()
{
    stop_ = true;
    thread_.join();
    ::close(master_);
    ::close(slave_);
}

QList<QByteArray> PtyImagerLine::Frames() const
{
    const std::lock_guard lock(mutex_);
    return frames_;
}

void PtyImagerLine::Write(const QByteArray& bytes)
{
    const std::lock_guard lock(mutex_);
    if (::write(master_, bytes.constData(), size_t(bytes.size())) != bytes.size())
        throw std::runtime_error("write to the line failed");
}

speed_t PtyImagerLine::LineSpeed() const
{
    termios settings {};
    ::tcgetattr(slave_, &settings);
    return ::cfgetospeed(&settings);
}

int PtyImagerLine::Unread() const
{
    int count = 0;
    ::ioctl(slave_, FIONREAD, &count);
    return count;
}

void PtyImagerLine::Run()
{
    QByteArray pending;
    while (!stop_) {
        pollfd waiting { master_, POLLIN, 0 };
        if (::poll(&waiting, 1, kPollMs) <= 0 || !(waiting.revents & POLLIN))
            continue;
        char buffer[256];
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count <= 0)
            continue;
        pending.append(buffer, count);
        for (qsizetype end = pending.indexOf('\r'); end >= 0; end = pending.indexOf('\r')) {
            Answer(pending.left(end + 1));
            pending.remove(0, end + 1);
        }
    }
}

void PtyImagerLine::Answer(const QByteArray& frame)
{
    QList<QByteArray> pieces;
    {
        const std::lock_guard lock(mutex_);
        frames_ << frame;
        pieces = script_(frame);
    }
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(kPieceGap);
        Write(pieces[i]);
    }
}

} // namespace fw::test
