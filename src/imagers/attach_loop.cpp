#include "imagers/attach_loop.h"

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/imager_list.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QString NotBuiltYetText(int kind)
{
    return QStringLiteral("This version cannot attach ") + ImagerKindName(kind)
        + QStringLiteral(" imagers yet.");
}

// Ends the waiting of one entry however its attaching ends.
struct WaitingScope {
    const TAttachActions& actions;
    WaitingScope(const TAttachActions& actions_, const TAttacher& entry)
        : actions(actions_)
    {
        if (actions.begin)
            actions.begin(entry);
    }
    ~WaitingScope()
    {
        if (actions.end)
            actions.end();
    }
    WaitingScope(const WaitingScope&) = delete;
    WaitingScope& operator=(const WaitingScope&) = delete;
};

// The link reports for as long as the entry exists; the user may delete it meanwhile.
std::function<void(bool)> AttachedReporter(const std::shared_ptr<TAttacher>& entry)
{
    return [weak = std::weak_ptr<TAttacher>(entry)](bool attached) {
        if (const std::shared_ptr<TAttacher> held = weak.lock())
            held->attached = attached;
    };
}

void AttachHG(const std::shared_ptr<TAttacher>& entry, const TAttachActions& actions)
{
    if (!actions.links.open) {
        showInformation(NotBuiltYetText(entry->kind));
        return;
    }
    std::unique_ptr<THGCommLayer> link;
    try {
        link = actions.links.open(*entry, AttachedReporter(entry));
    } catch (const Error& failure) {
        qCWarning(lcImagers).noquote() << "No link to" << entry->name << "-" << failure.message();
        showError(failure.message());
        return;
    }
    actions.open_hg_download(*entry, std::move(link));
}

using WindowOpener = std::function<void(const TAttacher& entry, const QString& address)>;

// Opens the entry's window on `address`; without an opener this version cannot attach the kind,
// and a window that cannot be made is reported.
void OpenWindow(const TAttacher& entry, const WindowOpener& open, const QString& address)
{
    if (!open) {
        showInformation(NotBuiltYetText(entry.kind));
        return;
    }
    try {
        open(entry, address);
    } catch (const Error& failure) {
        qCWarning(lcImagers).noquote()
            << "No window for" << entry.name << "on" << address << "-" << failure.message();
        showError(failure.message());
    }
}

} // namespace

AttachRoute AttachRouteOf(int kind)
{
    switch (kind) {
    case ikEM1012:
        return AttachRoute::EMDownload;
    case ikHS4540:
        return AttachRoute::HSDownload;
    case ikIMAQ:
        return AttachRoute::Capture;
    default:
        return IsHGFamily(kind) ? AttachRoute::HGDownload : AttachRoute::Unsupported;
    }
}

QString AttachRefusalText(const TAttacher& entry)
{
    if (AttachRouteOf(entry.kind) != AttachRoute::Unsupported)
        return {};
    return QStringLiteral("Imager Type ") + ImagerKindName(entry.kind) + QStringLiteral(" via ")
        + entry.PortText() + QStringLiteral(" is not supported in this version.");
}

void AttachFlagged(const TImagerList& list, const TAttachActions& actions)
{
    for (const std::shared_ptr<TAttacher>& entry : list.FlaggedForAttach()) {
        const WaitingScope waiting(actions, *entry);
        if (const QString refusal = AttachRefusalText(*entry); !refusal.isEmpty())
            showInformation(refusal);
        else if (IsHGFamily(entry->kind))
            AttachHG(entry, actions);
        else if (AttachRouteOf(entry->kind) == AttachRoute::Capture)
            OpenWindow(*entry, actions.open_capture, entry->PortText());
        else
            OpenWindow(*entry, actions.open_em_download, entry->GpibAddress());
    }
}

} // namespace fw
