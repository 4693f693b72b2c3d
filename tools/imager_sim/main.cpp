// fw-imager-sim: HG/RO-family imagers on loopback UDP addresses and on a pseudo-terminal, for
// tests and for trying the imager windows without hardware. `fw-imager-sim --help` describes it.

#include <cstdio>

#include <QCoreApplication>

#include "serial_line.h"
#include "sim_log.h"
#include "sim_options.h"
#include "udp_endpoint.h"

namespace {

using namespace fw::imager_sim;

void printLine(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString describeImager(const ImagerConfig& config)
{
    return QStringLiteral("imager %1 %2 %3")
        .arg(QString::fromLatin1(toHex(quint32(config.identifier), 2)),
            QString::fromLatin1(typeName(config.type_code)),
            config.colour ? QStringLiteral("colour") : QStringLiteral("monochrome"));
}

bool startUdp(const SimOptions& options, QObject* owner)
{
    for (size_t i = 0; i < options.udp_imagers.size(); ++i) {
        UdpSettings settings = options.udp;
        settings.address = options.udp_addresses[i];
        auto* endpoint = new UdpEndpoint(options.udp_imagers[i], settings, options.faults, owner);
        QString error;
        if (!endpoint->open(error)) {
            std::fprintf(stderr, "fw-imager-sim: %s\n", qPrintable(error));
            return false;
        }
        printLine(describeImager(options.udp_imagers[i])
            + QStringLiteral(" udp %1:%2").arg(settings.address.toString()).arg(settings.port));
    }
    return true;
}

bool startSerial(const SimOptions& options, QObject* owner)
{
    if (options.serial_imagers.empty())
        return true;
    auto* line = new SerialLine(options.serial_imagers, options.faults, owner);
    QString error;
    if (!line->open(error)) {
        std::fprintf(stderr, "fw-imager-sim: %s\n", qPrintable(error));
        return false;
    }
    printLine(QStringLiteral("serial ") + QString::fromLocal8Bit(line->devicePath()));
    for (const ImagerConfig& config : options.serial_imagers)
        printLine(describeImager(config) + QStringLiteral(" serial"));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fw-imager-sim"));
    SimOptions options;
    QString text;
    switch (parseOptions(QCoreApplication::arguments(), options, text)) {
    case ParseOutcome::Help:
        std::fputs(qPrintable(text), stdout);
        return 0;
    case ParseOutcome::Error:
        std::fprintf(stderr, "fw-imager-sim: %s\n", qPrintable(text));
        return 2;
    case ParseOutcome::Run:
        break;
    }
    setVerbose(options.verbose);
    if (!startUdp(options, &app) || !startSerial(options, &app))
        return 1;
    printLine(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
