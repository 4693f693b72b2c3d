// framewright-cli capture through the GenICam library on Aravis's in-process fake camera: the
// clip holds the camera's own frames, upright and one after the other.

#include <cstring>

#include <gtest/gtest.h>

#include "e2e/cli_runner.h"

namespace fw::e2e {

namespace {

constexpr int kSide = 512;

// The 8-bit frame chunks of a clip's movi list.
std::vector<QByteArray> FrameChunks(const QByteArray& file)
{
    std::vector<QByteArray> chunks;
    qsizetype at = file.indexOf("movi");
    while (at >= 0 && (at = file.indexOf("00db", at + 4)) >= 0 && at + 8 <= file.size()) {
        quint32 size = 0;
        std::memcpy(&size, file.constData() + at + 4, 4);
        if (size != quint32(kSide * kSide) || at + 8 + qsizetype(size) > file.size())
            break;
        chunks.push_back(file.mid(at + 8, qsizetype(size)));
        at += 8 + qsizetype(size) - 4;
    }
    return chunks;
}

TEST(CliCaptureGenicam, TheFakeCamerasFramesComeOutUprightAndInOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment environment = cliEnvironment();
    environment.remove(QStringLiteral("FRAMEWRIGHT_IMAQ_LIBRARY")); // the default: the GenICam library
    environment.insert(QStringLiteral("FW_GENICAM_FAKE"), QStringLiteral("1"));
    const QString clip = dir.filePath(QStringLiteral("fake.avi"));
    const RunResult run = runProgram(binPath("framewright-cli"),
        { "capture", "--interface", "Fake_1", clip, "--frames", "6", "--mono" }, 120000, environment);
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();

    // The fake camera draws (x + y + frame id) mod 255; rows are stored bottom-up.
    const std::vector<QByteArray> frames = FrameChunks(readFile(clip));
    ASSERT_EQ(frames.size(), 6U);
    int previous_base = -1;
    for (const QByteArray& frame : frames) {
        const auto pixel = [&](int x, int y) { return uchar(frame[(kSide - 1 - y) * kSide + x]); };
        const int base = pixel(0, 0);
        int wrong = 0;
        for (int y = 0; y < kSide; y += 7)
            for (int x = 0; x < kSide; x += 5)
                wrong += pixel(x, y) != (base + x + y) % 255;
        EXPECT_EQ(wrong, 0);
        if (previous_base >= 0) {
            EXPECT_EQ(base, (previous_base + 1) % 255) << "frames follow each other";
        }
        previous_base = base;
    }
}

} // namespace

} // namespace fw::e2e
