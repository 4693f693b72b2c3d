#include <cmath>
#include <optional>
#include <string>

#include <QCommandLineOption>

#include "cli_common.h"
#include "clips/clip_time_base.h"
#include "measure/clip_track_frames.h"
#include "measure/track_run.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

const char* const kTrackHelp
    = "Tracks the point clicked at X,Y (image pixels, the centre of the top-left pixel at 0,0) on clip\n"
      "frame index N through index M (M < N tracks backward): a square template cut around the point on\n"
      "frame N is found again on each frame by normalised cross-correlation in a search area centred\n"
      "where the point's last velocity puts it, the peak refined to a fraction of a pixel.\n"
      "Prints one JSON object per frame, frame N first:\n"
      "{\"frame\": k, \"time_ms\": t, \"x\": x, \"y\": y, \"confidence\": c}, the time on the clip's time "
      "base\n"
      "and the confidence the correlation peak (0..1; 1 on frame N). Where tracking stops early (the\n"
      "confidence falls below the minimum, the point or its template leaves the picture, the point\n"
      "moves beyond the search area) it prints the frames tracked so far, then exits 1 with the reason.";

// Frames tracked between two looks at the output: the lines come out while a long track runs.
constexpr int kFramesPerBatch = 64;

double RealValue(const QString& text, const char* what)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw UsageError(std::string(what) + " must be a number, not \"" + text.toStdString() + "\"");
    return value;
}

int WholeValue(const QString& text, const char* what)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < 0)
        throw UsageError(
            std::string(what) + " must be a whole number of 0 or more, not \"" + text.toStdString() + "\"");
    return value;
}

PixelPoint ReadPoint(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        throw UsageError("--point must be X,Y, not \"" + text.toStdString() + "\"");
    return { RealValue(parts[0], "X"), RealValue(parts[1], "Y") };
}

QString Required(const CommandLine& command, const char* name)
{
    const QString option = QString::fromLatin1(name);
    if (!command.isSet(option))
        throw UsageError(std::string("--") + name + " is needed");
    return command.value(option);
}

TrackSettings ReadSettings(const CommandLine& command)
{
    TrackSettings settings;
    if (command.isSet(QStringLiteral("template")))
        settings.template_px = WholeValue(command.value(QStringLiteral("template")), "--template");
    if (command.isSet(QStringLiteral("search")))
        settings.search_px = WholeValue(command.value(QStringLiteral("search")), "--search");
    if (command.isSet(QStringLiteral("min-confidence")))
        settings.min_confidence
            = RealValue(command.value(QStringLiteral("min-confidence")), "--min-confidence");
    const QString problem = TrackSettingsProblem(settings);
    if (!problem.isEmpty())
        throw UsageError(problem.toStdString());
    return settings;
}

void CheckIndex(int32_t index, int32_t count)
{
    if (index >= count)
        throw Error(QStringLiteral("Frame index %1 is out of range: the clip has %2 frames (0 to %3)")
                        .arg(index)
                        .arg(count)
                        .arg(count - 1));
}

double Rounded(double value)
{
    // A ten-thousandth of a pixel lies far below what the match can tell.
    return std::round(value * 1e4) / 1e4;
}

// The keys in the order the command promises; QJsonObject would sort them.
std::string FrameJson(const TrackedFrame& frame, double time_ms)
{
    return "{\"frame\": " + std::to_string(frame.frame) + ", \"time_ms\": " + jsonNumber(time_ms)
        + ", \"x\": " + jsonNumber(Rounded(frame.point.x)) + ", \"y\": " + jsonNumber(Rounded(frame.point.y))
        + ", \"confidence\": " + jsonNumber(Rounded(frame.confidence)) + "}\n";
}

void AddOptions(CommandLine& command)
{
    command.addPositional(QStringLiteral("CLIP"), QStringLiteral("An AVI or KFS clip."));
    command.addOption(QCommandLineOption(QStringLiteral("point"),
        QStringLiteral("The point on frame N, in image pixels from the centre of the top-left pixel."),
        QStringLiteral("X,Y")));
    command.addOption(QCommandLineOption(QStringLiteral("first"),
        QStringLiteral("The frame index where the point is given."), QStringLiteral("N")));
    command.addOption(QCommandLineOption(
        QStringLiteral("last"), QStringLiteral("The frame index tracked to."), QStringLiteral("M")));
    command.addOption(QCommandLineOption(QStringLiteral("template"),
        QStringLiteral("Side of the square template (default 21)."), QStringLiteral("PIXELS")));
    command.addOption(QCommandLineOption(QStringLiteral("search"),
        QStringLiteral("Side of the square search area (default 64)."), QStringLiteral("PIXELS")));
    command.addOption(QCommandLineOption(QStringLiteral("min-confidence"),
        QStringLiteral("Least normalised correlation a match must reach, 0..1 (default 0.8)."),
        QStringLiteral("C")));
}

int RunTrack(const QStringList& words)
{
    CommandLine command(kTrackCommand, QString::fromLatin1(kTrackHelp));
    AddOptions(command);
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(1, "one CLIP");
    TrackRequest request;
    request.point = ReadPoint(Required(command, "point"));
    request.first_frame = WholeValue(Required(command, "first"), "--first");
    request.last_frame = WholeValue(Required(command, "last"), "--last");
    request.settings = ReadSettings(command);

    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, command.positionals().front());
    ClipTimeBase time_base;
    time_base.ApplyDescriptors(readDescriptor(stream));
    ClipTrackFrames frames(stream);
    CheckIndex(request.first_frame, frames.Count());
    CheckIndex(request.last_frame, frames.Count());

    TrackRun run(request, frames.Source());
    size_t printed = 0;
    bool more = true;
    while (more) {
        more = run.Advance(kFramesPerBatch);
        std::string out;
        for (; printed < run.Frames().size(); ++printed) {
            const TrackedFrame& frame = run.Frames()[printed];
            out += FrameJson(frame, time_base.FrameTime(frame.frame));
        }
        writeStdout(out);
    }
    if (run.Stop())
        throw Error(TrackStopMessage(*run.Stop()));
    return kExitOk;
}

} // namespace

const CliCommand kTrackCommand { "track",
    "track CLIP --point X,Y --first N --last M [--template PIXELS] [--search PIXELS] [--min-confidence C]",
    "Follow a point through a clip by template matching; one JSON object per frame.", RunTrack };

} // namespace fw::cli
