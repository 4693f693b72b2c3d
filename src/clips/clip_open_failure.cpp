#include "clips/clip_open_failure.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

extern "C" {
#include <libavutil/error.h>
}

namespace fw {

namespace {

QString systemReason(int error_number)
{
    return QStringLiteral("Cannot read the file: ") + QString::fromLocal8Bit(std::strerror(error_number));
}

QString demuxerReason(int av_error)
{
    QString text = QStringLiteral("The clip's headers cannot be read");
    if (av_error < 0) {
        char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(av_error, buffer, sizeof buffer);
        text += QStringLiteral(": ") + QString::fromLocal8Bit(buffer);
    }
    return text;
}

// Reads up to `size` bytes from the start; -1 with errno set on failure.
ssize_t readHead(int fd, char* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += size_t(got);
    }
    return ssize_t(done);
}

} // namespace

QString ClipOpenCause(const QString& file_name, int av_error)
{
    if (file_name.isEmpty())
        return QStringLiteral("No file name was given");
    const QByteArray path = QFile::encodeName(file_name);
    struct stat info { };
    if (::stat(path.constData(), &info) != 0)
        return systemReason(errno);
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("It is a folder, not a clip file");
    // A pipe or a device is never read here: reading one could wait for ever.
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("It is not a regular file");
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return systemReason(errno);
    char head[12] = {};
    const ssize_t got = readHead(fd, head, sizeof head);
    const int read_error = errno;
    ::close(fd);
    if (got < 0)
        return systemReason(read_error);
    if (got == 0)
        return QStringLiteral("The file is empty");
    if (got < ssize_t(sizeof head) || std::memcmp(head, "RIFF", 4) != 0)
        return QStringLiteral("It is not a RIFF file");
    if (std::memcmp(head + 8, "AVI ", 4) != 0) {
        QString form;
        for (int i = 8; i < 12; ++i)
            form += (head[i] >= 0x20 && head[i] < 0x7f) ? QChar::fromLatin1(head[i]) : QChar(u'?');
        return QStringLiteral("It is a RIFF file of type \"") + form + QStringLiteral("\", not an AVI clip");
    }
    return demuxerReason(av_error);
}

QString StreamOpenFailure(const QString& file_name, int av_error)
{
    return QString::fromLatin1(kStreamOpenFailed) + QLatin1Char('\r') + ClipOpenCause(file_name, av_error);
}

} // namespace fw
