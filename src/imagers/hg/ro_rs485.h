#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/serial_inbox.h"

namespace fw {

class TSharedSerialDriver;

// The RS-485 link: several imagers share one serial line through its driver; each answers only
// frames carrying its identifier. The driver hands every reply line to every link on the line.
//
// The worker never touches the port: it hands each frame to the user-interface thread, which
// arms the link's timer and writes the frame, and then waits until the driver has delivered a
// line for this link or the timer has fired. The line is copied into the receive buffer and
// checked on the worker. A broadcast arms no timer: it takes every line until its receive
// time-out ends. Lines that came before a frame was handed over are dropped, so a late reply is
// never taken for the next one. The driver must outlive its links.
class TRORS485 : public THGCommLayer {
    Q_OBJECT
public:
    // Attaches to the driver first: throws fw::Error "Baud Rate Conflicts with Open Imagers",
    // "Baud Rate Beyond Hardware Capabilities", or why the port cannot be opened.
    TRORS485(TSharedSerialDriver& driver, uint8_t identifier, int baud_rate);
    ~TRORS485() override;

    // Returns 1 when the rate would change and other imagers share the port, 2 when the port
    // refuses the rate or the index is outside 0..3. Otherwise writes the imager's "Baud Rate"
    // register without waiting for its answer, reopens the port at the new rate (unless it is
    // the rate already) and identifies the imager again (without setting its clock).
    int SetBaudIndex(int index) override;
    TSharedSerialDriver& Driver() const { return driver_; }

    // ---- The driver's side (user-interface thread) ----
    // A line is this link's when it is a reply carrying the link's identifier or answering an
    // identify-all, or when it is no framed reply at all (a line of a listing).
    bool TakesLine(const QByteArray& line) const;
    void DeliverLine(const QByteArray& line);
    void LineTimedOut();

protected:
    void FlushInput() override;
    void Broadcast(const QByteArray& frame) override;
    void Transact(const QByteArray& frame) override;
    bool RepliesByLine() const override { return true; }
    void ReceiveNext() override;

private:
    struct OutgoingFrame {
        QByteArray frame;
        int timeout_ms = 0;
        bool arm_timer = false;
    };

    void PostFrame(const QByteArray& frame, bool arm_timer);
    Q_INVOKABLE void SendPostedFrames();
    void SendOnLine(const OutgoingFrame& outgoing);
    void TakeReply(const QByteArray& line);
    [[noreturn]] void FailTimedOut();
    bool WaitFrameSent(int frames_sent_before);

    TSharedSerialDriver& driver_;
    TSerialInbox inbox_;
    std::mutex outbox_mutex_;
    std::deque<OutgoingFrame> outbox_; // frames from the worker, not yet written
    int frames_sent_ = 0; // user-interface thread only
};

} // namespace fw
