#include "imager_link.h"

#include <array>

#include "imagers/hg/ro_rs485.h"
#include "imagers/hg/ro_tcpip.h"
#include "imagers/hg/shared_serial_driver.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

constexpr std::array<int, 4> kBaudRates = { 9600, 19200, 38400, 115200 };

QString DeviceName(const QString& device)
{
    return device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
}

int ParseWhole(const QString& text, const char* option, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(std::string(option) + " takes a whole number from " + std::to_string(low) + " to "
            + std::to_string(high) + ", not \"" + text.toStdString() + "\"");
    return value;
}

} // namespace

QString LinkTarget::PortText() const
{
    return serial ? QStringLiteral("Direct to ") + DeviceName(device) : QStringLiteral("Ethernet");
}

QString LinkTarget::Name() const
{
    return serial ? device + QStringLiteral(" #") + QString::number(identifier) : address;
}

QString LinkTarget::Description() const
{
    if (serial)
        return PortText() + QStringLiteral(" at ") + QString::number(baud) + QStringLiteral(" baud");
    return PortText() + QStringLiteral(" at IP ") + address;
}

void AddLinkOptions(CommandLine& command, LinkUse use)
{
    if (use == LinkUse::Find) {
        command.addOption(QCommandLineOption(QStringLiteral("udp"),
            QStringLiteral("Broadcast on the Ethernet link to this address."),
            QStringLiteral("BROADCAST_ADDRESS")));
    } else {
        command.addOption(QCommandLineOption(QStringLiteral("ip"),
            QStringLiteral("The imager's address on the Ethernet link."), QStringLiteral("ADDRESS")));
        command.addOption(QCommandLineOption(QStringLiteral("id"),
            QStringLiteral("The imager's identifier (default 1)."), QStringLiteral("N")));
        command.addOption(QCommandLineOption(
            QStringLiteral("no-clock"), QStringLiteral("Leave the imager's clock as it is.")));
    }
    command.addOption(QCommandLineOption(QStringLiteral("serial"),
        QStringLiteral("The serial line (RS-485) of the imagers."), QStringLiteral("DEVICE")));
    command.addOption(QCommandLineOption(QStringLiteral("baud"),
        QStringLiteral("The line's rate: 9600, 19200, 38400 or 115200."), QStringLiteral("RATE")));
}

LinkTarget ReadLinkTarget(const CommandLine& command, LinkUse use)
{
    LinkTarget target;
    const QString network_option = use == LinkUse::Find ? QStringLiteral("udp") : QStringLiteral("ip");
    const bool network = command.isSet(network_option);
    target.serial = command.isSet(QStringLiteral("serial"));
    if (network == target.serial)
        throw UsageError("give either --" + network_option.toStdString() + " or --serial");
    if (network)
        target.address = command.value(network_option);
    else
        target.device = command.value(QStringLiteral("serial"));
    if (command.isSet(QStringLiteral("baud"))) {
        target.baud = ParseWhole(command.value(QStringLiteral("baud")), "--baud", 1, 115200);
        if (std::find(kBaudRates.begin(), kBaudRates.end(), target.baud) == kBaudRates.end())
            throw UsageError("--baud takes 9600, 19200, 38400 or 115200");
    } else if (target.serial) {
        throw UsageError("--serial needs --baud");
    }
    if (use == LinkUse::Attach) {
        if (command.isSet(QStringLiteral("id")))
            target.identifier = ParseWhole(command.value(QStringLiteral("id")), "--id", 0, 255);
        else if (target.serial)
            throw UsageError("--serial needs --id");
    } else {
        target.identifier = 0;
    }
    return target;
}

namespace {

// Made before the link and gone after it, so the link detaches from a line that still is.
struct LineHolder {
    std::unique_ptr<TSharedSerialDriver> line;
};

// A serial link that owns the line it is on: the tool talks to one imager at a time.
class OwnLineLink : private LineHolder, public TRORS485 {
public:
    OwnLineLink(std::unique_ptr<TSharedSerialDriver> own_line, uint8_t identifier, int baud_rate)
        : LineHolder { std::move(own_line) }
        , TRORS485(*line, identifier, baud_rate)
    {
    }
};

} // namespace

std::unique_ptr<THGCommLayer> MakeLink(const LinkTarget& target)
{
    if (target.serial) {
        auto line = std::make_unique<TSharedSerialDriver>(target.device, target.PortText());
        return std::make_unique<OwnLineLink>(std::move(line), uint8_t(target.identifier), target.baud);
    }
    // Find broadcasts to the address given; an attach talks to it.
    const QString broadcast = target.address;
    return std::make_unique<TROTCPIP>(uint8_t(target.identifier), target.address, broadcast);
}

} // namespace fw::cli
