#pragma once

// Several imagers on one RS-485 line, simulated by a pseudo-terminal: every imager hears every
// frame, answers only frames with its own identifier (and the broadcasts), one line per reply.

#include <memory>
#include <vector>

#include <QObject>
#include <QSocketNotifier>

#include "fault_switches.h"
#include "sim_imager.h"

namespace fw::imager_sim {

class SerialLine : public QObject {
    Q_OBJECT
public:
    SerialLine(
        const std::vector<ImagerConfig>& imagers, const FaultSettings& faults, QObject* parent = nullptr);
    ~SerialLine() override;

    // Opens the pseudo-terminal; false with `error` set when the system gives none.
    bool open(QString& error);
    // The device a client opens, e.g. /dev/pts/7.
    QByteArray devicePath() const { return device_path_; }

private:
    struct Station {
        SimImager imager;
        FaultSwitches faults;
        QByteArray name;
    };

    void readAvailable();
    void answerLine(const QByteArray& line);
    void writeOut(const QByteArray& bytes, const QByteArray& who);

    std::vector<Station> stations_;
    QByteArray line_;
    QByteArray device_path_;
    int master_fd_ = -1;
    int slave_fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace fw::imager_sim
