#include <cstdio>
#include <optional>
#include <string>

#include <QCommandLineOption>
#include <QFile>

#include "cli_common.h"
#include "measure/kinematics.h"
#include "measure/position_csv.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

const char* const kKinematicsHelp
    = "Reads CSV: a header line, then time_ms,x,y per sample at equal time steps (steps may differ\n"
      "by 1 % of the average step). Prints one JSON object per sample,\n"
      "{\"time_ms\", \"x\", \"y\", \"vx\", \"vy\", \"ax\", \"ay\"}: x and y after the filter, velocity from "
      "the\n"
      "previous sample (per second) and acceleration by the second derivative over three samples\n"
      "(per second squared), as Quick Measure takes them with that filter; null where a sample they need\n"
      "is missing (the first velocity, the first and last acceleration).\n"
      "--filter: none (the default), cfc60, cfc180, cfc600, cfc1000 (channel frequency classes, 2-pole\n"
      "Butterworth forward and backward; refused at or below 4.155 x CFC, a warning below ten times\n"
      "the class's -3 dB frequency), butterworth:HZ (forward and backward, 3 dB down at HZ), or auto\n"
      "(the cut-off chosen by residual analysis, written to standard error as {\"cutoff_hz\": F}).\n"
      "Exit 1 with the reason for unequal spacing, a rate too low for the filter, or a file that\n"
      "cannot be read.";

// The keys in the order the command promises; QJsonObject would sort them.
std::string RowJson(const KinematicsRow& row)
{
    return "{\"time_ms\": " + jsonNumber(row.time_ms) + ", \"x\": " + jsonNumber(row.x) + ", \"y\": "
        + jsonNumber(row.y) + ", \"vx\": " + jsonNumber(row.vx) + ", \"vy\": " + jsonNumber(row.vy)
        + ", \"ax\": " + jsonNumber(row.ax) + ", \"ay\": " + jsonNumber(row.ay) + "}\n";
}

FilterChoice ReadFilter(const CommandLine& command)
{
    if (!command.isSet(QStringLiteral("filter")))
        return {};
    const QString word = command.value(QStringLiteral("filter"));
    const std::optional<FilterChoice> choice = ParseFilterChoice(word);
    if (!choice)
        throw UsageError("--filter must be none, cfc60, cfc180, cfc600, cfc1000, butterworth:HZ (HZ above 0) "
                         "or auto, not \""
            + word.toStdString() + "\"");
    return *choice;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Could not open ") + path + QStringLiteral(": ") + file.errorString());
    return file.readAll();
}

int RunKinematics(const QStringList& words)
{
    CommandLine command(kKinematicsCommand, QString::fromLatin1(kKinematicsHelp));
    command.addOption(QCommandLineOption(QStringLiteral("filter"),
        QStringLiteral("none, cfc60, cfc180, cfc600, cfc1000, butterworth:HZ or auto."),
        QStringLiteral("FILTER")));
    command.addPositional(QStringLiteral("CSV"), QStringLiteral("The positions: time_ms,x,y per sample."));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(1, "one CSV file");
    const FilterChoice choice = ReadFilter(command);
    const QString path = command.positionals().front();
    const std::vector<PositionSample> samples = ReadPositionCsv(ReadFile(path));
    if (samples.empty())
        throw Error(path + QStringLiteral(" holds no samples after its header line."));
    const Kinematics kinematics = ComputeKinematics(samples, choice);
    if (kinematics.cutoff_hz)
        std::fprintf(stderr, "{\"cutoff_hz\": %s}\n", jsonNumber(kinematics.cutoff_hz).c_str());
    if (!kinematics.warning.isEmpty())
        std::fprintf(stderr, "warning: %s\n", qPrintable(kinematics.warning));
    std::string out;
    for (const KinematicsRow& row : kinematics.rows)
        out += RowJson(row);
    writeStdout(out);
    return kExitOk;
}

} // namespace

const CliCommand kKinematicsCommand { "kinematics",
    "kinematics CSV [--filter none|cfc60|cfc180|cfc600|cfc1000|butterworth:HZ|auto]",
    "Filter positions and take velocities and accelerations as Quick Measure does.", RunKinematics };

} // namespace fw::cli
