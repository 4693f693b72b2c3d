#pragma once

// An imager answering every frame at once, and a link that hands it each frame: the comm layer
// and the frame sources above it, tested without a network.

#include <cstring>
#include <mutex>
#include <optional>

#include <QByteArray>
#include <QList>

#include "imagers/hg/hg_comm_layer.h"

namespace fw::test {

// An imager as the protocol describes its side, answering each frame at once: a colour HG 2000
// (or an old RO), Standby with a recording, a frame range, and raw download datagrams.
struct ScriptedImager {
    int type = 4;
    int state = 5;
    int temperature = 31;
    uint32_t frame_range = 0xFFFB0006; // frames -5 .. 6
    int splits = 0;
    int datagram_bytes = 49152;
    int64_t frame_bytes = HGFrameBytes(false, false);
    int64_t sent_of_frame = 0;
    int state_errors = 0; // state reads answered "Invalid Imager State" before the good ones
    bool signed_frames = true;
    bool silent = false; // no answer to anything
    bool silent_on_download_continue = false;
    int continues_before_silence = 0;

    static QByteArray Reply(const QByteArray& code, const QByteArray& payload, const char* result = "01")
    {
        return "#01" + QByteArray(result) + code + payload + '\r';
    }

    // nullopt: no answer (the link times out).
    std::optional<QByteArray> Answer(const QByteArray& frame)
    {
        if (silent)
            return std::nullopt;
        const QByteArray code = frame.mid(3, 2);
        const QByteArray argument = frame.mid(5, frame.size() - 6);
        if (code == "01")
            return Reply(code,
                QByteArray("%1%2%3%4%5%6%7%8%9")
                    .replace("%1", Hex(type, 2))
                    .replace("%2", "21")
                    .replace("%3", Hex(state, 2))
                    .replace("%4", "01")
                    .replace("%5", "00")
                    .replace("%6", "0000")
                    .replace("%7", "0000")
                    .replace("%8", "000C")
                    .replace("%9", "0000"));
        if (code == "19")
            return Reply(code, {});
        if (code == "0C" && argument.isEmpty())
            return Reply(code, "05"); // session 5
        if (code == "40")
            return Reply(code, Hex(state, 2), state_errors-- > 0 ? "16" : "01");
        if (code == "50")
            return Reply(code, Hex(temperature, 2));
        if (code == "65")
            return Reply(code, Hex(splits, 2));
        if (code == "45")
            return Reply(code, Hex(frame_range, 8));
        if (code == "53") {
            datagram_bytes = argument.toInt(nullptr, 16);
            return Reply(code, {});
        }
        if (code == "WB" || code == "12")
            return Reply("12", {});
        if (code == "DL" || code == "28")
            return Download(argument);
        return Reply(code, argument);
    }

    std::optional<QByteArray> Download(const QByteArray& argument)
    {
        const bool first = argument.startsWith("F ") && argument != "F U";
        if (first) {
            sent_of_frame = 0;
        } else if (silent_on_download_continue && continues_before_silence-- <= 0) {
            return std::nullopt;
        }
        const int64_t size = std::min<int64_t>(datagram_bytes, frame_bytes - sent_of_frame);
        const QByteArray data = Frame().mid(qsizetype(sent_of_frame), qsizetype(size));
        sent_of_frame += size;
        return data;
    }

    // A whole frame: a byte pattern, with the camera record's signature unless told otherwise.
    QByteArray Frame() const
    {
        QByteArray frame(qsizetype(frame_bytes), '\0');
        for (qsizetype i = 0; i < frame.size(); ++i)
            frame[i] = char(i % 251);
        if (signed_frames && frame_bytes > 1024)
            std::memcpy(frame.data() + frame_bytes - 1024, "EK BAY 2", 8);
        return frame;
    }

    static QByteArray Hex(uint32_t value, int digits)
    {
        return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0').right(digits);
    }
};

// A link that hands every frame to the scripted imager and records what was sent.
class ScriptedLink : public THGCommLayer {
public:
    explicit ScriptedLink(ScriptedImager& imager)
        : THGCommLayer(1, 3000)
        , imager_(imager)
    {
    }
    ~ScriptedLink() override { EndWorker(); }

    QList<QByteArray> Sent() const
    {
        const std::lock_guard lock(mutex_);
        return sent_;
    }
    void ClearSent()
    {
        const std::lock_guard lock(mutex_);
        sent_.clear();
    }

protected:
    void FlushInput() override { }
    void Broadcast(const QByteArray& frame) override { Transact(frame); }
    void Transact(const QByteArray& frame) override
    {
        std::optional<QByteArray> reply;
        {
            const std::lock_guard lock(mutex_);
            sent_ << frame;
            reply = imager_.Answer(frame);
        }
        if (!reply) {
            SetResultCode(hgresult::kNotResponding);
            throw Error("Socket I/O Timed Out");
        }
        const size_t length = std::min(size_t(reply->size()), ReceiveCapacity());
        std::memcpy(ReceiveBuffer(), reply->constData(), length);
        ReplyReceived(length);
    }

private:
    ScriptedImager& imager_;
    mutable std::mutex mutex_;
    QList<QByteArray> sent_;
};

} // namespace fw::test
