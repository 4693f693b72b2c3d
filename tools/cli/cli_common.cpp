#include "cli_common.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include <QFileInfo>
#include <QJsonDocument>
#include <QStringDecoder>

#include "clips/descriptor_block.h"
#include "support/fw_error.h"
#include "support/log_sink.h"

Q_LOGGING_CATEGORY(lcCli, "fw.cli", QtInfoMsg)

namespace fw::cli {

namespace {

// Ends frame access however decoding leaves the function.
class FrameAccessGuard {
public:
    explicit FrameAccessGuard(TAVISTREAM& stream)
        : stream_(stream)
    {
    }
    ~FrameAccessGuard()
    {
        if (handle_)
            stream_.EndFrameAccess(handle_);
    }
    FrameAccessGuard(const FrameAccessGuard&) = delete;
    FrameAccessGuard& operator=(const FrameAccessGuard&) = delete;

    bool begin() { return stream_.BeginFrameAccess(handle_) && handle_; }
    FrameAccess* handle() const { return handle_; }

private:
    TAVISTREAM& stream_;
    FrameAccess* handle_ = nullptr;
};

// Put in front of a word the parser must take as a value; a private-use character no one types.
const QChar kValueMark(0xE000);

bool looksNegativeNumber(const QString& word)
{
    if (word.size() < 2 || word[0] != QLatin1Char('-'))
        return false;
    const qsizetype digit = word[1] == QLatin1Char('.') ? 2 : 1;
    return digit < word.size() && word[digit].isDigit();
}

} // namespace

void InstallToolLogging(bool verbose)
{
    InstallLogSink({ verbose, DefaultLogFilePath() });
}

CommandLine::CommandLine(const CliCommand& command, const QString& description)
    : command_(command)
{
    parser_.setApplicationDescription(description);
    parser_.addOption(QCommandLineOption(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit.")));
    parser_.addOption(QCommandLineOption(
        QStringLiteral("verbose"), QStringLiteral("Write log lines to standard error as well.")));
}

void CommandLine::addOption(const QCommandLineOption& option)
{
    parser_.addOption(option);
    if (!option.valueName().isEmpty())
        value_options_ << option.names();
}

bool CommandLine::parse(const QStringList& words)
{
    QStringList args { QStringLiteral("framewright-cli") };
    QString previous;
    for (const QString& word : words) {
        const QString option_name = previous.startsWith(QLatin1String("--")) ? previous.mid(2)
            : previous.size() == 2 && previous[0] == QLatin1Char('-')        ? previous.mid(1)
                                                                             : QString();
        const bool is_option_value = !option_name.isEmpty() && value_options_.contains(option_name);
        if (!is_option_value && (looksNegativeNumber(word) || word.startsWith(kValueMark)))
            args << kValueMark + word;
        else
            args << word;
        previous = word;
    }
    if (!parser_.parse(args))
        throw UsageError(parser_.errorText().toStdString());
    if (parser_.isSet(QStringLiteral("verbose")))
        InstallToolLogging(true);
    if (parser_.isSet(QStringLiteral("help"))) {
        writeStdout(helpText().toUtf8());
        return false;
    }
    return true;
}

QStringList CommandLine::positionals() const
{
    QStringList values = parser_.positionalArguments();
    for (QString& value : values) {
        if (value.startsWith(kValueMark))
            value.remove(0, 1);
    }
    return values;
}

void CommandLine::expectPositionals(qsizetype count, const char* what) const
{
    if (parser_.positionalArguments().size() != count)
        throw UsageError(std::string(command_.name) + " takes " + what);
}

QString CommandLine::helpText() const
{
    // The parser names the program by the path it was started with and knows nothing of the
    // command; the first line is the command's own synopsis instead.
    const QString text = parser_.helpText();
    const qsizetype first_line_end = text.indexOf(QLatin1Char('\n'));
    return QStringLiteral("Usage: framewright-cli ") + QLatin1String(command_.synopsis)
        + (first_line_end < 0 ? QStringLiteral("\n") : text.mid(first_line_end));
}

void openClip(TAVISTREAM& stream, const QString& file_name)
{
    // A missing file is told apart from an unreadable one: the user's fix differs.
    const QFileInfo info(file_name);
    if (!info.exists())
        throw Error(file_name + QStringLiteral(": No such file"));
    if (!info.isFile())
        throw Error(file_name + QStringLiteral(": Not a file"));
    try {
        stream.Open(file_name);
    } catch (const Error& error) {
        throw Error(file_name + QStringLiteral(": ") + error.message());
    }
    // The stream class accepts an AVI form without video; for this tool that is no clip.
    if (!stream.IsOpen())
        throw Error(file_name + QStringLiteral(": the file holds no video stream"));
}

std::string readDescriptor(TAVISTREAM& stream, int32_t* chunk_size)
{
    std::array<uint8_t, kDescriptorChunkSize> chunk {};
    int32_t size = kDescriptorChunkSize;
    const bool found = stream.ReadData(kDescriptorChunkId, chunk.data(), size);
    if (chunk_size)
        *chunk_size = found ? size : -1;
    if (!found || size <= 0)
        return {};
    return DescriptorFromChunk(
        chunk.data(), static_cast<size_t>(std::min<int32_t>(size, kDescriptorChunkSize)));
}

FrameImage decodeFrame(TAVISTREAM& stream, int32_t index)
{
    FrameAccessGuard access(stream);
    if (!access.begin())
        throw Error(stream.GetShortName() + QStringLiteral(" Open Frame Access Failed"));
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    if (!stream.GetFrame(access.handle(), index, size, packed) || !packed || size <= 0)
        throw Error(
            QStringLiteral("Frame %1 of %2 could not be decoded").arg(index).arg(stream.GetShortName()));
    return FrameImage::fromPacked(packed, static_cast<size_t>(size));
}

void writeStdout(const std::string& bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
        throw Error("Cannot write to standard output");
}

void writeStdout(const QByteArray& bytes)
{
    writeStdout(bytes.toStdString());
}

QString textOfBytes(const std::string& bytes)
{
    // A byte order mark at the start is text of the block too.
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    QString text = utf8(view);
    return utf8.hasError() ? QString::fromLatin1(view) : text;
}

double shortestDouble(float value)
{
    if (!std::isfinite(value))
        return double(value); // written as null
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    double widened = double(value);
    std::from_chars(buffer, written.ptr, widened);
    return widened;
}

std::string jsonNumber(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return "null";
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, *value);
    return std::string(text, written.ptr);
}

void writeJson(const QJsonObject& object, bool one_line)
{
    QByteArray text
        = QJsonDocument(object).toJson(one_line ? QJsonDocument::Compact : QJsonDocument::Indented);
    if (!text.endsWith('\n'))
        text += '\n';
    writeStdout(text);
}

} // namespace fw::cli
