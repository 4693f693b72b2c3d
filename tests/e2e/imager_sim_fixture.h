#pragma once

// The fixture of the simulator's UDP tests: one simulator, one plain socket that talks to it.

#include <gtest/gtest.h>

#include "e2e/imager_sim_probe.h"

namespace fw::e2e {

inline constexpr char kFirst[] = "127.0.0.21";

inline QByteArray resultOf(const std::optional<Datagram>& reply)
{
    return reply ? reply->data.mid(3, 2) : "none";
}

// The payload after "#", identifier, result and echo, without the carriage return.
inline QByteArray payloadOf(const std::optional<Datagram>& reply)
{
    return reply && reply->data.endsWith('\r') ? reply->data.mid(7).chopped(1) : "none";
}

class ImagerSimUdpFixture : public ::testing::Test {
protected:
    void Start(const QStringList& args) { ASSERT_TRUE(sim_.start(args)) << sim_.errorOutput().constData(); }

    std::optional<Datagram> Ask(const QByteArray& text, const char* address = kFirst)
    {
        return probe_.transact(text, address, sim_.port());
    }

    // Every data datagram of one frame download, then the reply that ended it.
    QList<QByteArray> Download(const QByteArray& start, const QByteArray& next, const char* address = kFirst)
    {
        QList<QByteArray> datagrams;
        std::optional<Datagram> reply = Ask(start, address);
        while (reply && reply->data.size() > 25) {
            datagrams << reply->data;
            reply = Ask(next, address);
        }
        last_reply_ = reply;
        return datagrams;
    }

    SimProcess sim_;
    UdpProbe probe_;
    std::optional<Datagram> last_reply_;
};

} // namespace fw::e2e
