#pragma once

// The simulator's command line: which imagers to run where, their recording, the faults.

#include <vector>

#include <QString>
#include <QStringList>

#include "fault_switches.h"
#include "sim_imager.h"
#include "udp_endpoint.h"

namespace fw::imager_sim {

struct SimOptions {
    std::vector<ImagerConfig> udp_imagers;
    std::vector<QHostAddress> udp_addresses; // beside udp_imagers, one each
    std::vector<ImagerConfig> serial_imagers;
    UdpSettings udp; // port, broadcast address and stray source; the address is per imager
    FaultSettings faults;
    bool verbose = false;
};

enum class ParseOutcome { Run, Help, Error };

// `text` receives the help text (Help) or the reason (Error).
ParseOutcome parseOptions(const QStringList& arguments, SimOptions& options, QString& text);

} // namespace fw::imager_sim
