#pragma once

// Helpers of the end-to-end tests: run the built programs and ffmpeg, make clips, read files.

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fw::e2e {

struct RunResult {
    int exit_code = -1; // -1 when the program crashed or did not finish
    QByteArray out;
    QByteArray err;
};

inline RunResult runProgram(const QString& program, const QStringList& args, int timeout_ms = 120000)
{
    QProcess process;
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

inline RunResult runCli(const QStringList& args)
{
    return runProgram(binPath("framewright-cli"), args);
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
