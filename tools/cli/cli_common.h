#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include <QCommandLineParser>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include "clips/avi_stream.h"
#include "clips/frame_image.h"

Q_DECLARE_LOGGING_CATEGORY(lcCli) // "fw.cli"

namespace fw::cli {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Wrong arguments: the tool prints the command's usage and the message, and exits with
// kExitUsage.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// One command of the tool. `run` gets the words after the command's name and returns the exit
// status; it throws UsageError for wrong arguments and fw::Error for failures.
struct CliCommand {
    const char* name;
    const char* synopsis; // the words after "framewright-cli", e.g. "info FILE"
    const char* summary; // one line for the tool's own help
    int (*run)(const QStringList& words);
};

extern const CliCommand kInfoCommand;
extern const CliCommand kFrameCommand;
extern const CliCommand kDescriptorCommand;
extern const CliCommand kConvertCommand;
extern const CliCommand kCompressorsCommand;
extern const CliCommand kGpibCommand;
extern const CliCommand kCaptureCommand;
extern const CliCommand kKinematicsCommand;
extern const CliCommand kTrackCommand;

// Log lines go to the log file; with --verbose to standard error as well.
void InstallToolLogging(bool verbose);

// The parser of one command, with its --help and the tool's --verbose.
class CommandLine {
public:
    CommandLine(const CliCommand& command, const QString& description);

    void addOption(const QCommandLineOption& option);
    void addPositional(const QString& name, const QString& description, const QString& syntax = {})
    {
        parser_.addPositionalArgument(name, description, syntax);
    }
    bool isSet(const QString& name) const { return parser_.isSet(name); }
    QString value(const QString& name) const { return parser_.value(name); }
    // Parses `words`. False when --help was asked for: the help text is printed and the command
    // has nothing more to do. Throws UsageError. A word that reads as a negative number is a
    // value, never a cluster of short options.
    bool parse(const QStringList& words);
    QStringList positionals() const;
    // Throws UsageError unless the command got exactly `count` values.
    void expectPositionals(qsizetype count, const char* what) const;
    QString helpText() const;

private:
    const CliCommand& command_;
    QCommandLineParser parser_;
    QStringList value_options_; // names of options that take a value
};

// Opens a clip file for reading; throws fw::Error with the file name and the stream's message,
// also when the file holds no video stream.
void openClip(TAVISTREAM& stream, const QString& file_name);

// The clip's descriptor block as stored in its chunk; empty when it has none.
// chunk_size, when given, receives the chunk's data size (at most 2048), or -1 without a chunk.
std::string readDescriptor(TAVISTREAM& stream, int32_t* chunk_size = nullptr);

// Decodes one frame of an open clip into a copy the caller owns.
FrameImage decodeFrame(TAVISTREAM& stream, int32_t index);

// Writes bytes to standard output exactly as given.
void writeStdout(const std::string& bytes);
void writeStdout(const QByteArray& bytes);

// Text of 8-bit bytes for JSON: valid UTF-8 as such, anything else read as Latin-1, so every
// byte of a descriptor block comes back out.
QString textOfBytes(const std::string& bytes);
// A single-precision value as the double whose shortest decimal form is the float's own, so the
// JSON shows 0.1 for 0.1f rather than the float's binary expansion.
double shortestDouble(float value);
// A number as JSON text in its shortest form; "null" for nothing and for values that are not
// finite.
std::string jsonNumber(std::optional<double> value);
// One JSON object on standard output: indented, or on a single line.
void writeJson(const QJsonObject& object, bool one_line = false);

} // namespace fw::cli
