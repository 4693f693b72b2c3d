#pragma once

// One simulated imager: its registers, states, recording, downloads and PC-card listing. It
// turns each command frame addressed to it into the datagrams or lines it answers with; the
// links (UDP endpoint, serial line) carry them.

#include <chrono>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include <QByteArray>

#include "command_frame.h"
#include "download_cursor.h"
#include "frame_synth.h"
#include "pc_card.h"
#include "sim_protocol.h"

namespace fw::imager_sim {

enum class LinkKind { Udp, Serial };

struct ImagerConfig {
    LinkKind link = LinkKind::Udp;
    quint32 ipv4 = 0; // the imager's own address; 0 on a serial line
    int type_code = 4;
    int identifier = 1;
    bool colour = true;
    int frames = 100;
    int first_frame = 0; // new models only; old models number frames from 0
    int rate_index = 0;
    int session_id = 1;
    int temperature_c = 30;
    bool split = false;
    int exposure = 100;
};

// One datagram or one line the imager sends. Replies carry the "#" header; listing lines and
// download data are raw.
struct Outgoing {
    QByteArray bytes;
    bool is_reply = true;
};

class SimImager {
public:
    explicit SimImager(const ImagerConfig& config);

    int identifier() const { return identifier_; }
    int typeCode() const { return config_.type_code; }
    LinkKind link() const { return config_.link; }

    // Whether a frame is for this imager: every broadcast, and unicast frames with its identifier.
    bool accepts(const CommandFrame& frame) const;
    std::vector<Outgoing> handle(const CommandFrame& frame);

private:
    struct Recording {
        int first = 0;
        int count = 0;
        RecordingFacts facts;
    };
    using Replies = std::vector<Outgoing>;

    Outgoing reply(std::string_view result, const QByteArray& echo, const QByteArray& payload = {}) const;
    Replies dispatch(const CommandFrame& frame);
    Replies handleSubCoded(const QByteArray& code, const QByteArray& argument);
    Replies handleStringRegister(const QByteArray& code, const QByteArray& argument);
    QByteArray attachPayload() const;

    // The PC card (sim_imager_card.cpp).
    static bool isCardCommand(const QByteArray& code);
    Replies handleCardCommand(const QByteArray& code, const QByteArray& argument);
    Replies handleListing(const QByteArray& argument);
    QByteArray cardStamp() const;

    // Registers (sim_imager_registers.cpp).
    void initialiseRegisters();
    Replies handleRegister(const RegisterInfo& info, const QByteArray& argument, const QByteArray& echo);
    std::optional<quint32> readRegister(RegisterId id, std::string_view& failure) const;
    std::string_view validateWrite(RegisterId id, quint32 value) const;
    void writeRegister(RegisterId id, quint32 value);

    // States and recordings (sim_imager_states.cpp).
    void advanceClock();
    std::string_view stop();
    std::string_view goLive(ImagerState live);
    std::string_view readyToRecord();
    std::string_view trigger();
    std::string_view erase();
    std::string_view play(const QByteArray& sub_code);
    std::string_view performAction(const QByteArray& code, const QByteArray& sub_code);
    RecordingFacts currentFacts() const;
    int frameRows() const;

    // Downloads (sim_imager_downloads.cpp).
    Replies handleOldDownload(const QByteArray& argument);
    Replies handleNewDownload(const QByteArray& argument);
    std::string_view startDownload(int frame_number);
    Replies nextDatagram(const QByteArray& echo);

    ImagerConfig config_;
    int identifier_;
    bool attached_ = false;
    ImagerState state_ = ImagerState::Standby;
    std::chrono::steady_clock::time_point recording_ends_at_;
    std::map<RegisterId, quint32> registers_;
    std::optional<Recording> recording_;
    DownloadCursor download_;
    std::map<QByteArray, QByteArray> string_registers_;
    PcCard card_;
    QList<QByteArray> listing_parts_; // the UDP listing being sent, part by part
    int next_listing_part_ = 0;
};

} // namespace fw::imager_sim
