// framewright-cli: batch access to clips and TIFF/BAY sequences (facts, frames, descriptor block,
// conversion), imagers and processors, and measured positions.
#include <cstdio>
#include <exception>

#include <QCoreApplication>
#include <QStringList>

extern "C" {
#include <libavutil/log.h>
}

#include "cli_common.h"
#include "imager_link.h"
#include "support/user_prompt.h"
#include "tool_prompt.h"

namespace {

using fw::cli::CliCommand;

const CliCommand* const kCommands[] = {
    &fw::cli::kInfoCommand,
    &fw::cli::kFrameCommand,
    &fw::cli::kDescriptorCommand,
    &fw::cli::kConvertCommand,
    &fw::cli::kCompressorsCommand,
    &fw::cli::kImagerCommand,
    &fw::cli::kGpibCommand,
    &fw::cli::kCaptureCommand,
    &fw::cli::kKinematicsCommand,
    &fw::cli::kTrackCommand,
};

QString toolHelp()
{
    QString text = QStringLiteral("Usage: framewright-cli [--verbose] COMMAND [options] ...\n\nCommands:\n");
    for (const CliCommand* command : kCommands)
        text += QStringLiteral("  framewright-cli %1\n      %2\n")
                    .arg(QLatin1String(command->synopsis), QLatin1String(command->summary));
    text += QStringLiteral(
        "  framewright-cli --help | --version\n\n"
        "\"framewright-cli COMMAND --help\" describes one command.\n"
        "--verbose, before or after COMMAND, writes log lines to standard error as well as to the\n"
        "log file.\n\n"
        "Exit status: 0 success, 1 failure (the last line on standard error is\n"
        "\"framewright-cli: \" and the message), 2 wrong arguments.\n");
    return text;
}

const CliCommand* findCommand(const QString& name)
{
    for (const CliCommand* command : kCommands) {
        if (name == QLatin1String(command->name))
            return command;
    }
    return nullptr;
}

// The tool's own options come before the command; everything from the command on is its own.
int run(const QStringList& args, const CliCommand*& command)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({ QStringLiteral("h"), QStringLiteral("help") }, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    const QCommandLineOption verbose(QStringLiteral("verbose"), QString());
    parser.addOptions({ help, version, verbose });
    if (!parser.parse(args))
        throw fw::cli::UsageError(parser.errorText().toStdString());
    if (parser.isSet(verbose))
        fw::cli::InstallToolLogging(true);
    if (parser.isSet(help)) {
        fw::cli::writeStdout(toolHelp().toUtf8());
        return fw::cli::kExitOk;
    }
    if (parser.isSet(version)) {
        fw::cli::writeStdout(std::string("framewright-cli " FW_VERSION "\n"));
        return fw::cli::kExitOk;
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw fw::cli::UsageError("a command is needed");
    command = findCommand(words[0]);
    if (!command)
        throw fw::cli::UsageError("unknown command \"" + words[0].toStdString() + "\"");
    return command->run(words.mid(1));
}

// The last line on standard error is the message, whole: its line breaks become "; ".
void reportFailure(const QString& message)
{
    QString line = message;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("; "))
        .replace(QLatin1Char('\r'), QStringLiteral("; "))
        .replace(QLatin1Char('\n'), QStringLiteral("; "));
    std::fflush(stdout);
    std::fprintf(stderr, "framewright-cli: %s\n", line.toUtf8().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell"));
    QCoreApplication::setApplicationName(QStringLiteral("Framewright"));
    fw::cli::InstallToolLogging(false);
    fw::installPrompt(&fw::cli::toolPrompt());
    // The tool reports failures in its own words; the decoder's chatter would bury them.
    av_log_set_level(AV_LOG_QUIET);
    const CliCommand* command = nullptr;
    try {
        return run(QCoreApplication::arguments(), command);
    } catch (const fw::cli::UsageError& error) {
        const QString message = QString::fromStdString(error.what());
        if (command)
            std::fprintf(stderr, "Usage: framewright-cli %s\n\"framewright-cli %s --help\" tells more.\n",
                command->synopsis, command->name);
        else
            std::fputs(qPrintable(toolHelp()), stderr);
        reportFailure(message);
        return fw::cli::kExitUsage;
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        qCWarning(lcCli).noquote() << (command ? command->name : "framewright-cli") << "failed:" << message;
        reportFailure(message);
        return fw::cli::kExitFailure;
    }
}
