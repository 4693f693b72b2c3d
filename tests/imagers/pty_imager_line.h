#pragma once

#include <termios.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include <QByteArray>
#include <QList>
#include <QString>

namespace fw::test {

// The far end of a pseudo-terminal standing for an RS-485 line with imagers on it: a thread reads
// the frames the program writes to the line and answers each one through a script.
class PtyImagerLine {
public:
    // The pieces to write back for one frame (carriage return included), a short pause between
    // pieces; none: no answer.
    using Script = std::function<QList<QByteArray>(const QByteArray& frame)>;

    explicit PtyImagerLine(Script script);
    ~PtyImagerLine();
    PtyImagerLine(const PtyImagerLine&) = delete;
    PtyImagerLine& operator=(const PtyImagerLine&) = delete;

    // The program's end of the line.
    QString DevicePath() const { return device_path_; }
    // Every frame received so far, carriage return included.
    QList<QByteArray> Frames() const;
    // Writes onto the line unasked.
    void Write(const QByteArray& bytes);
    // The output speed the program has set on its end of the line.
    speed_t LineSpeed() const;
    // Bytes written onto the line that the program has not read yet.
    int Unread() const;

private:
    void Run();
    void Answer(const QByteArray& frame);

    int master_ = -1;
    int slave_ = -1; // kept open so the line stays up while the program's port is closed
    QString device_path_;
    Script script_;
    mutable std::mutex mutex_;
    QList<QByteArray> frames_;
    std::atomic<bool> stop_ { false };
    std::thread thread_;
};

} // namespace fw::test
