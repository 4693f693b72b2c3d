#include "imagers/imager_find.h"

#include "imagers/hg/shared_driver.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// The first entry attached through the port, or null.
const TAttacher* AttachedOn(const TImagerList& list, const TSharedDriver& port)
{
    for (int row = 0; row < list.Count(); ++row) {
        const TAttacher& entry = list.Entry(row);
        if (entry.attached && entry.port == &port)
            return &entry;
    }
    return nullptr;
}

QString WithoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

// The selection gives way to the imagers found once the search is under way: a link that
// cannot be made leaves it as it was.
int SearchPort(TImagerList& list, const TFindRequest& request, const TImagerSearch& search)
{
    int count = 0;
    search(FindScratchEntry(request), [&](const HGFoundImager& found) {
        if (count++ == 0)
            list.ClearSelection();
        list.SetSelected(MergeFoundImager(list, found, *request.port), true);
    });
    if (count == 0)
        list.ClearSelection();
    return count;
}

} // namespace

QString FindDisruptionQuestion(const TImagerList& list, const TSharedDriver& port)
{
    if (!AttachedOn(list, port))
        return {};
    return QStringLiteral("An Imager is currently attached using ") + port.PortName()
        + QStringLiteral(".\nFind operation could disrupt communications.\n"
                         "Are you sure you want to perform Find Imagers?");
}

QString FindBaudConflictText(const TImagerList& list, const TSharedDriver& port, int baud_rate)
{
    const TAttacher* attached = port.IsSerial() ? AttachedOn(list, port) : nullptr;
    if (!attached || attached->baud_rate == baud_rate)
        return {};
    return QStringLiteral("An Imager is attached to Comm Port ") + port.PortName() + QStringLiteral(" at ")
        + QString::number(attached->baud_rate)
        + QStringLiteral(" baud.\nChanging the baud rate would disrupt communications.\n"
                         "All Imagers on a link must be at the same baud rate.");
}

TAttacher FindScratchEntry(const TFindRequest& request)
{
    TAttacher scratch;
    scratch.kind = request.kind;
    scratch.port = request.port;
    if (request.port)
        scratch.port_name = request.port->PortName();
    scratch.identifier = 0;
    scratch.baud_rate = request.baud_rate;
    return scratch;
}

int MergeFoundImager(TImagerList& list, const HGFoundImager& found, const TSharedDriver& port)
{
    const int kind = ImagerKindOfName(found.kind_name);
    const QString ip_text = WithoutBlanks(found.ip_text);
    for (int row = 0; row < list.Count(); ++row) {
        const TAttacher& entry = list.Entry(row);
        if (entry.kind == kind && entry.identifier == found.identifier
            && (!port.IsNetwork() || entry.ip_address == ip_text))
            return row;
    }
    const QString identifier = QString::number(found.identifier);
    const QChar separator(QLatin1Char(';'));
    return list.Add(found.kind_name + QStringLiteral(" #") + identifier,
        found.kind_name + separator + port.PortName() + separator + ip_text + separator + identifier
            + separator + ImagerBaudTextAt(found.baud_index));
}

void ListImaqInterfaces(TImagerList& list)
{
    const QString kind_name = ImagerKindName(ikIMAQ);
    for (const QString& interface_name : list.Ports().ImaqInterfaces()) {
        int row = -1;
        for (int other = 0; other < list.Count() && row < 0; ++other) {
            const TAttacher& entry = list.Entry(other);
            if (entry.kind == ikIMAQ && entry.PortText() == interface_name)
                row = other;
        }
        if (row < 0)
            row = list.Add(kind_name + QStringLiteral(": ") + interface_name,
                kind_name + QLatin1Char(';') + interface_name);
        list.SetSelected(row, true);
    }
}

QString FindResultText(int count, const QString& port_name)
{
    if (count == 0)
        return QStringLiteral("No Imagers Found on ") + port_name;
    return QString::number(count) + QStringLiteral(" Imager(s) Found on ") + port_name;
}

FindOutcome RunImagerFind(TImagerList& list, const TFindRequest& request, const TImagerSearch& search,
    const std::function<void()>& found_listed)
{
    if (request.kind == ikIMAQ) {
        list.ClearSelection();
        ListImaqInterfaces(list);
        return FindOutcome::Searched;
    }
    if (!request.port)
        return FindOutcome::Stopped;
    const TSharedDriver& port = *request.port;
    const QString question = FindDisruptionQuestion(list, port);
    if (!question.isEmpty()
        && askUser(PromptKind::Warning, {}, question, PromptButton::Ok | PromptButton::Cancel)
            != PromptButton::Ok)
        return FindOutcome::Stopped;
    if (const QString conflict = FindBaudConflictText(list, port, request.baud_rate); !conflict.isEmpty()) {
        showError(conflict);
        return FindOutcome::Stopped;
    }
    if (!search) {
        showInformation(QStringLiteral("This version cannot search ") + port.PortName()
            + QStringLiteral(" for imagers yet."));
        return FindOutcome::Stopped;
    }
    int count = 0;
    try {
        count = SearchPort(list, request, search);
    } catch (const Error& failure) {
        qCWarning(lcImagers).noquote() << "Find on" << port.PortName() << "failed:" << failure.message();
        showError(failure.message());
        return FindOutcome::Stopped;
    }
    if (found_listed)
        found_listed();
    showInformation(FindResultText(count, port.PortName()));
    return FindOutcome::Searched;
}

} // namespace fw
