#pragma once

#include <functional>

#include <QString>

#include "imagers/attacher.h"
#include "imagers/hg/hg_comm_layer.h"

namespace fw {

class TImagerList;
class TSharedDriver;

// Searches the port of a scratch entry through a link of its own, which ends before the search
// returns; each imager that answers goes to `found`. Throws fw::Error when the link cannot be
// made.
using TImagerSearch
    = std::function<int(const TAttacher& scratch, const std::function<void(const HGFoundImager&)>& found)>;

// What the "Find Imagers" window asks for; the port does not count for NI-IMAQ.
struct TFindRequest {
    int kind = ikRO;
    TSharedDriver* port = nullptr;
    int baud_rate = kDefaultSerialBaudRate;
};

enum class FindOutcome {
    Stopped, // before any search: the user or a conflict stopped it, or no link could be made
    Searched,
};

// "Find": asks before disturbing attached imagers, lists the IMAQ interfaces or searches the
// port, selects the entries of the imagers found (adding new ones) and tells how many answered.
// `found_listed` runs after the search and before its result is told, so the list can show the
// imagers found while the message is up.
FindOutcome RunImagerFind(TImagerList& list, const TFindRequest& request, const TImagerSearch& search,
    const std::function<void()>& found_listed = {});

// The warning question when an imager is attached on the port; empty when none is.
QString FindDisruptionQuestion(const TImagerList& list, const TSharedDriver& port);
// The error when imagers attached on a serial port run at another rate; empty otherwise.
QString FindBaudConflictText(const TImagerList& list, const TSharedDriver& port, int baud_rate);
// The entry the search link is made for: the chosen kind and port, identifier 0, no address.
TAttacher FindScratchEntry(const TFindRequest& request);
// Selects the entry of an imager that answered on `port`, adding it when the list has none of
// that kind and identifier (and, on a network port, address). Answers its row.
int MergeFoundImager(TImagerList& list, const HGFoundImager& found, const TSharedDriver& port);
// One entry per IMAQ interface, selected; an interface listed already keeps its entry.
void ListImaqInterfaces(TImagerList& list);
QString FindResultText(int count, const QString& port_name);

} // namespace fw
