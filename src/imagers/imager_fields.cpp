#include "imagers/imager_fields.h"

#include "imagers/attacher.h"
#include "imagers/hg/shared_driver.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"

namespace fw {

namespace {

constexpr int kIdentifierPlaces = 3;
constexpr int kAddressParts = 4;

QString ShownBaudText(const TAttacher& entry)
{
    if (entry.baud_rate != -1)
        return QString::number(entry.baud_rate);
    return entry.OnSerialPort() ? QString::number(kDefaultSerialBaudRate) : QString();
}

void ShowEntry(TImagerFieldView& view, const TAttacher& entry, const TPortList& ports)
{
    view.attached = entry.attached;
    view.kind = entry.kind;
    for (const TSharedDriver* port : ports.Accepting(entry.kind)) {
        if (port == entry.port)
            view.interface_row = int(view.interfaces.size());
        view.interfaces.append(port->PortName());
    }
    // A port this run does not have is shown under its stored name, so that storing the fields
    // keeps it.
    if (entry.PortMissing()) {
        view.interface_row = int(view.interfaces.size());
        view.interfaces.append(entry.port_name);
    }
    const bool hg_family = IsHGFamily(entry.kind);
    view.identifier_text = entry.IdentifierText();
    if (hg_family && entry.identifier == -1)
        view.identifier_text = QStringLiteral("???");
    view.baud_text = ShownBaudText(entry);
    view.ip_text = entry.IPText();
    if (entry.OnNetworkPort() && view.ip_text.isEmpty())
        view.ip_text = QStringLiteral("0.0.0.0");

    view.ip_enabled = entry.OnNetworkPort();
    view.identifier_enabled = hg_family;
    view.baud_enabled = entry.OnSerialPort();
    view.setup_enabled = (entry.port || (entry.kind == ikIMAQ && !entry.attached)) && hg_family;
    view.attach_enabled = entry.HasValidPort() && entry.Attachable();
}

} // namespace

TImagerFieldView FieldViewOf(const TImagerList& list)
{
    TImagerFieldView view;
    const int row = list.SingleSelectedRow();
    if (row >= 0) {
        view.single = true;
        ShowEntry(view, list.Entry(row), list.Ports());
    }
    if (list.SelectedRows().size() > 1)
        view.attach_enabled = true;
    return view;
}

QString CapImagerId(const QString& text)
{
    const QString places = text.leftJustified(kIdentifierPlaces, QLatin1Char(' '));
    if (places.contains(QLatin1Char(' ')) || places.size() != kIdentifierPlaces)
        return text;
    for (const QChar digit : places) {
        if (!digit.isDigit())
            return text;
    }
    return places > QStringLiteral("255") ? QStringLiteral("255") : text;
}

TIPAddressCheck CheckIPAddress(const QString& text)
{
    QString address = text;
    address.remove(QLatin1Char(' '));
    QStringList parts = address.split(QLatin1Char('.'));
    TIPAddressCheck check;
    check.valid = parts.size() == kAddressParts;
    while (parts.size() < kAddressParts)
        parts.append(QString());
    QStringList numbers;
    for (int index = 0; index < kAddressParts; ++index) {
        bool ok = false;
        int number = parts[index].toInt(&ok);
        if (!ok || number < 0) {
            number = 0;
            check.valid = false;
        } else if (number > 255) {
            number = 255;
            check.valid = false;
        }
        numbers.append(QString::number(number));
    }
    check.address = check.valid ? address : numbers.join(QLatin1Char('.'));
    return check;
}

QString IPAdjustedWarning(const QString& imager_name)
{
    return QStringLiteral("The IP Address for Imager ") + imager_name
        + QStringLiteral(" was invalid and has been adjusted.");
}

QString FieldsValue(const TImagerFieldTexts& fields)
{
    const QChar separator(QLatin1Char(';'));
    return ImagerKindName(fields.kind) + separator + fields.port_name + separator + fields.ip_text + separator
        + fields.identifier_text + separator + fields.baud_text;
}

TImagerFieldEdit ApplyFieldTexts(
    TAttacher& entry, const TImagerFieldTexts& fields, bool ip_enabled, const TPortList& ports)
{
    TImagerFieldEdit edit;
    edit.identifier_text = CapImagerId(fields.identifier_text);
    edit.ip_text = fields.ip_text;
    if (ip_enabled) {
        const TIPAddressCheck check = CheckIPAddress(fields.ip_text);
        edit.ip_adjusted = !check.valid;
        if (edit.ip_adjusted)
            edit.ip_text = check.address;
    }
    TImagerFieldTexts checked = fields;
    checked.identifier_text = edit.identifier_text;
    checked.ip_text = edit.ip_text;
    entry.ParseValue(FieldsValue(checked), ports);
    return edit;
}

} // namespace fw
