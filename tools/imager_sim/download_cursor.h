#pragma once

// A frame being downloaded: each request takes the next datagram of the chosen size, the last
// one of a frame shorter when the frame does not divide evenly.

#include <QByteArray>

namespace fw::imager_sim {

class DownloadCursor {
public:
    void start(QByteArray frame_bytes);
    bool active() const { return offset_ < frame_.size(); }
    QByteArray next(int datagram_bytes);
    void cancel();

private:
    QByteArray frame_;
    qsizetype offset_ = 0;
};

} // namespace fw::imager_sim
