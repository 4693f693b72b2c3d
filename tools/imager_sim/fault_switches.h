#pragma once

// Faults a link can be told to show: lost datagrams, garbage, silence, a wrong identifier.
// Applied to what an imager sends, after it has handled the frame normally.

#include <vector>

#include "sim_imager.h"

namespace fw::imager_sim {

struct FaultSettings {
    int drop_every = 0; // 0: none lost
    bool garbage = false;
    bool silent = false;
    bool wrong_id = false;
};

// What is left to send of `outgoing`, and the reason each dropped item was dropped goes to the
// log through `note`. `sent_count` counts every item the imager would have sent.
class FaultSwitches {
public:
    explicit FaultSwitches(const FaultSettings& settings)
        : settings_(settings)
    {
    }

    bool silent() const { return settings_.silent; }
    std::vector<Outgoing> apply(std::vector<Outgoing> outgoing, std::vector<QByteArray>& notes);

private:
    QByteArray garbageLike(const QByteArray& bytes) const;

    FaultSettings settings_;
    long long sent_count_ = 0;
};

} // namespace fw::imager_sim
