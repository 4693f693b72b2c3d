#include "imagers/attacher.h"

#include <QStringList>

#include "imagers/hg/shared_driver.h"
#include "imagers/port_list.h"

namespace fw {

namespace {

const std::array<const char*, kImagerKindCount> kKindNames {
    "Kodak EM 1012",
    "Kodak 4540",
    "Kodak RO",
    "Kodak HG 2000",
    "Kodak HRC",
    "NI-IMAQ",
    "Roper CR 2000",
    "Roper HG 2000-TX",
    "Unknown",
};

constexpr int kValueFields = 5;

// A number field of a stored value; -1 when it is empty or no number.
int NumberField(const QString& text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok ? number : -1;
}

} // namespace

QString ImagerKindName(int kind)
{
    if (kind < 0 || kind >= kImagerKindCount)
        kind = ikUnknown;
    return QLatin1String(kKindNames[size_t(kind)]);
}

int ImagerKindOfName(const QString& name)
{
    for (int kind = 0; kind < ikUnknown; ++kind) {
        if (name == QLatin1String(kKindNames[size_t(kind)]))
            return kind;
    }
    return ikUnknown;
}

bool IsHGFamily(int kind)
{
    return kind >= 0 && kind < 16 && (kHGFamilyKinds >> kind & 1u) != 0;
}

QString ImagerBaudTextAt(int index)
{
    if (index < 0 || size_t(index) >= kImagerBaudRates.size())
        return {};
    return QString::number(kImagerBaudRates[size_t(index)]);
}

QString DefaultImagerValue()
{
    return ImagerKindName(ikRO) + QStringLiteral(";Ethernet;100.0.0.1;1;9600");
}

void TAttacher::ParseValue(const QString& value, const TPortList& ports)
{
    QStringList fields = value.split(QLatin1Char(';'));
    while (fields.size() < kValueFields)
        fields.append(QString());
    for (QString& field : fields)
        field = field.trimmed();
    kind = ImagerKindOfName(fields[0]);
    port_name = fields[1];
    port = ports.Find(port_name);
    ip_address = fields[2];
    ip_address.remove(QLatin1Char(' '));
    identifier = NumberField(fields[3]);
    baud_rate = NumberField(fields[4]);
    if (fields[4].isEmpty() && OnSerialPort())
        baud_rate = kDefaultSerialBaudRate;
}

TAttacher TAttacher::Parsed(const QString& name, const QString& value, const TPortList& ports)
{
    TAttacher entry;
    entry.name = name;
    entry.ParseValue(value, ports);
    return entry;
}

QString TAttacher::Value() const
{
    const QChar separator(QLatin1Char(';'));
    return ImagerKindName(kind) + separator + PortText() + separator + IPText() + separator + IdentifierText()
        + separator + BaudText();
}

bool TAttacher::OnNetworkPort() const
{
    return port && port->IsNetwork();
}

bool TAttacher::OnSerialPort() const
{
    return port && port->IsSerial();
}

bool TAttacher::HasValidPort() const
{
    return port && port->Accepts(kind);
}

bool TAttacher::Attachable() const
{
    return !IsHGFamily(kind) || OnNetworkPort();
}

QString TAttacher::BaudText() const
{
    return IsHGFamily(kind) && baud_rate != -1 ? QString::number(baud_rate) : QString();
}

QString TAttacher::IdentifierText() const
{
    return IsHGFamily(kind) && identifier != -1 ? QString::number(identifier) : QString();
}

QString TAttacher::IPText() const
{
    return IsHGFamily(kind) || OnNetworkPort() || PortMissing() ? ip_address : QString();
}

QString TAttacher::PortText() const
{
    return port ? port->PortName() : port_name;
}

QString TAttacher::Description() const
{
    if (OnSerialPort())
        return PortText() + QStringLiteral(" at ") + QString::number(baud_rate) + QStringLiteral(" baud");
    if (OnNetworkPort())
        return PortText() + QStringLiteral(" at IP ") + ip_address;
    return PortText();
}

QString TAttacher::CheckingText() const
{
    return QStringLiteral("Checking for ") + name + QStringLiteral(" - ") + ImagerKindName(kind)
        + QStringLiteral(" on ") + Description();
}

QString TAttacher::DownloadTitle() const
{
    const QString kind_name = ImagerKindName(kind);
    if (name.contains(kind_name))
        return name;
    return QLatin1Char('(') + kind_name + QStringLiteral(") ") + name;
}

QString TAttacher::LinkText() const
{
    return PortText() + QLatin1Char(':') + IPText();
}

QString TAttacher::GpibAddress() const
{
    const QString board = OnNetworkPort() || PortText().isEmpty() ? QStringLiteral("GPIB0") : PortText();
    const QString device = kind == ikHS4540 ? QStringLiteral("DEV8") : QStringLiteral("DEV7");
    return board + QLatin1Char(':') + device;
}

} // namespace fw
