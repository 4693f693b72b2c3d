#include "download_cursor.h"

#include <utility>

namespace fw::imager_sim {

void DownloadCursor::start(QByteArray frame_bytes)
{
    frame_ = std::move(frame_bytes);
    offset_ = 0;
}

QByteArray DownloadCursor::next(int datagram_bytes)
{
    const QByteArray part = frame_.mid(offset_, datagram_bytes);
    offset_ += part.size();
    if (!active())
        cancel();
    return part;
}

void DownloadCursor::cancel()
{
    frame_.clear();
    offset_ = 0;
}

} // namespace fw::imager_sim
