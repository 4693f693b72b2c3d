#pragma once

// Helpers of the end-to-end tests: run the built programs and ffmpeg, make clips, read files.

#include <algorithm>
#include <cstdlib>

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace fw::e2e {

struct RunResult {
    int exit_code = -1; // -1 when the program crashed or did not finish
    QByteArray out;
    QByteArray err;
};

inline RunResult runProgram(const QString& program, const QStringList& args, int timeout_ms = 120000,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    RunResult result;
    if (!process.waitForStarted(timeout_ms)) {
        result.err = "could not start " + program.toUtf8();
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeout_ms)) {
        process.kill();
        process.waitForFinished();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exit_code = process.exitCode();
    return result;
}

inline QString binPath(const char* name)
{
    return QStringLiteral(FW_BIN_DIR "/") + QString::fromUtf8(name);
}

// The tool logs into a state folder of the test run's own, never into the user's log.
inline QProcessEnvironment cliEnvironment()
{
    static const QTemporaryDir state;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    return environment;
}

inline RunResult runCli(const QStringList& args)
{
    return runProgram(binPath("framewright-cli"), args, 120000, cliEnvironment());
}

// The last line a program wrote (without its line end).
inline QByteArray lastLine(const QByteArray& text)
{
    QByteArray trimmed = text;
    while (trimmed.endsWith('\n'))
        trimmed.chop(1);
    return trimmed.mid(trimmed.lastIndexOf('\n') + 1);
}

// A 12-frame 64x48 test pattern clip; `codec_args` choose the coding ("-c:v mjpeg" ...).
inline bool makeClip(const QString& path, const QStringList& codec_args, int frames = 12)
{
    QStringList args { "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v",
        QString::number(frames) };
    args << codec_args << path;
    return runProgram(QStringLiteral("ffmpeg"), args).exit_code == 0;
}

// FFmpeg's own decoding of frame `index`: top-down rows of blue, green, red.
inline QByteArray ffmpegFrameBgr(const QString& path, int index)
{
    const QString select = QStringLiteral("select=eq(n\\,%1)").arg(index);
    return runProgram(QStringLiteral("ffmpeg"),
        { "-v", "error", "-i", path, "-vf", select, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "bgr24",
            "-" })
        .out;
}

// FFmpeg's own decoding of every frame of a clip (or of one picture file), one after another.
inline QByteArray ffmpegAllBgr(const QString& path)
{
    return runProgram(
        QStringLiteral("ffmpeg"), { "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-" })
        .out;
}

// The largest difference of two samples at the same place; 256 when the sizes differ.
inline int maxDifference(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size() || a.isEmpty())
        return 256;
    int worst = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i]))));
    return worst;
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QJsonObject parseJson(const QByteArray& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}

} // namespace fw::e2e
