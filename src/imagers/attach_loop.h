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
// support, and the kinds whose download windows this version does not have yet. Empty for the
// HG/RO family and the GPIB processors.
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
};

// Attaches the entries flagged for attach, in list order. A link that cannot be made is
// reported and leaves the other entries to go on.
void AttachFlagged(const TImagerList& list, const TAttachActions& actions);

} // namespace fw
