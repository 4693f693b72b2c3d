#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "imagers/imager_links.h"

namespace fw {

class TImagerList;

// Which download window an entry flagged for attach gets.
enum class AttachRoute { HGDownload, EMDownload, HSDownload, Capture, Unsupported };

AttachRoute AttachRouteOf(int kind);
// The information shown for an entry that gets no window: the kinds this version does not
// support. Empty for the kinds that have a window.
QString AttachRefusalText(const TAttacher& entry);

struct TAttachActions {
    // Around each entry: the waiting window with the entry's CheckingText().
    std::function<void(const TAttacher& entry)> begin;
    std::function<void()> end;
    TImagerLinks links;
    // Opens the download window of an HG/RO entry over its link.
    std::function<void(const TAttacher& entry, std::unique_ptr<THGCommLayer> link)> open_hg_download;
    // Opens the download window of an EM 1012 or HS 4540 entry on the processor at `address`
    // ("board:device"); throws fw::Error when the processor cannot be reached.
    std::function<void(const TAttacher& entry, const QString& address)> open_em_download;
    // Opens the capture window of an NI-IMAQ entry on the frame-grabber interface of its port;
    // throws fw::Error when the window cannot be made.
    std::function<void(const TAttacher& entry, const QString& interface_name)> open_capture;
};

// Attaches the entries flagged for attach, in list order. A link that cannot be made is
// reported and leaves the other entries to go on.
void AttachFlagged(const TImagerList& list, const TAttachActions& actions);

} // namespace fw
