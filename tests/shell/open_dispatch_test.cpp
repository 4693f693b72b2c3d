#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "shell/open_dispatch.h"
#include "support/fw_error.h"

namespace fw {
namespace {

TEST(FileTypeOf, LastTypeFoundAnywhereInTheNameWins)
{
    EXPECT_EQ(FileTypeOf(QStringLiteral("/data/run.avi")), OpenFileType::Avi);
    EXPECT_EQ(FileTypeOf(QStringLiteral("/data/RUN.Kfs")), OpenFileType::Kfs);
    EXPECT_EQ(FileTypeOf(QStringLiteral("/data/X.AVI.TXT")), OpenFileType::Txt);
    EXPECT_EQ(FileTypeOf(QStringLiteral("a.csv.avi")), OpenFileType::Csv);
    EXPECT_EQ(FileTypeOf(QStringLiteral("frames.tif.bak")), OpenFileType::Tif);
    EXPECT_EQ(FileTypeOf(QStringLiteral("F0000001.bay")), OpenFileType::Bay);
    EXPECT_EQ(FileTypeOf(QStringLiteral("pic.dib")), OpenFileType::Dib);
    EXPECT_EQ(FileTypeOf(QStringLiteral("forces.prn")), OpenFileType::Prn);
    EXPECT_EQ(FileTypeOf(QStringLiteral("forces.asc")), OpenFileType::Asc);
    // Only the name counts, never the directory.
    EXPECT_EQ(FileTypeOf(QStringLiteral("/runs.avi/notes")), OpenFileType::None);
    EXPECT_EQ(FileTypeOf(QStringLiteral("clip.mp4")), OpenFileType::None);
    EXPECT_EQ(FileTypeOf(QString()), OpenFileType::None);
}

TEST(DirectoryOf, KeepsTheTrailingSeparator)
{
    EXPECT_EQ(DirectoryOf(QStringLiteral("/a/b/c.avi")), QStringLiteral("/a/b/"));
    EXPECT_EQ(DirectoryOf(QStringLiteral("c.avi")), QString());
}

// Records what the queue asks for; names listed in fail_on throw as a failed open would.
struct Recorder {
    std::vector<std::pair<QString, OpenFileType>> opened;
    std::vector<QStringList> signal_batches;
    QStringList reports;
    QStringList fail_on;

    OpenHandlers Handlers()
    {
        OpenHandlers handlers;
        handlers.open_window = [this](const QString& name, OpenFileType type) {
            if (fail_on.contains(name))
                throw Error(QStringLiteral("File ") + name + QStringLiteral(" requires driver IV50"));
            opened.emplace_back(name, type);
        };
        handlers.open_signals = [this](const QStringList& names) { signal_batches.push_back(names); };
        handlers.report = [this](const QString& message) { reports.append(message); };
        return handlers;
    }
};

TEST(OpenQueue, SignalFilesFirstThenOneWindowPerTick)
{
    OpenQueue queue;
    queue.Append({ QStringLiteral("/c/one.avi"), QStringLiteral("/c/g1.csv"), QStringLiteral("/d/two.kfs"),
        QStringLiteral("/c/g2.txt") });
    Recorder recorder;
    queue.Dispatch(recorder.Handlers());
    ASSERT_EQ(recorder.signal_batches.size(), 1u);
    EXPECT_EQ(recorder.signal_batches[0],
        (QStringList { QStringLiteral("/c/g1.csv"), QStringLiteral("/c/g2.txt") }));
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_EQ(recorder.opened[0].first, QStringLiteral("/c/one.avi"));
    EXPECT_EQ(queue.Names(), QStringList { QStringLiteral("/d/two.kfs") });

    queue.Dispatch(recorder.Handlers());
    ASSERT_EQ(recorder.opened.size(), 2u);
    EXPECT_EQ(recorder.opened[1], std::make_pair(QStringLiteral("/d/two.kfs"), OpenFileType::Kfs));
    EXPECT_EQ(queue.LastDirectory(), QStringLiteral("/d/"));
    EXPECT_TRUE(queue.Empty());
    EXPECT_TRUE(recorder.reports.isEmpty());
}

TEST(OpenQueue, NamesWithoutTypeWaitSilently)
{
    OpenQueue queue;
    queue.Append({ QStringLiteral("/x/readme"), QStringLiteral("/x/clip.mov"), QStringLiteral("/x/a.avi") });
    Recorder recorder;
    for (int tick = 0; tick < 3; ++tick)
        queue.Dispatch(recorder.Handlers());
    EXPECT_EQ(recorder.opened.size(), 1u);
    EXPECT_TRUE(recorder.reports.isEmpty());
    EXPECT_EQ(queue.Names(), (QStringList { QStringLiteral("/x/readme"), QStringLiteral("/x/clip.mov") }));
}

TEST(OpenQueue, DibIsReportedOnceAndEndsTheTick)
{
    OpenQueue queue;
    queue.Append({ QStringLiteral("/p/pic.dib"), QStringLiteral("/p/a.avi") });
    Recorder recorder;
    queue.Dispatch(recorder.Handlers());
    EXPECT_EQ(recorder.reports, QStringList { QStringLiteral("/p/pic.dib is an unrecognized file type.") });
    EXPECT_TRUE(recorder.opened.empty());
    queue.Dispatch(recorder.Handlers());
    EXPECT_EQ(recorder.reports.size(), 1);
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_TRUE(queue.Empty());
}

TEST(OpenQueue, FailedOpenIsReportedOnceAndNotRetried)
{
    OpenQueue queue;
    queue.Append({ QStringLiteral("/p/bad.avi"), QStringLiteral("/p/good.avi") });
    Recorder recorder;
    recorder.fail_on = { QStringLiteral("/p/bad.avi") };
    queue.Dispatch(recorder.Handlers());
    EXPECT_EQ(recorder.reports, QStringList { QStringLiteral("File /p/bad.avi requires driver IV50") });
    EXPECT_EQ(queue.Names(), QStringList { QStringLiteral("/p/good.avi") });
    queue.Dispatch(recorder.Handlers());
    EXPECT_EQ(recorder.reports.size(), 1);
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_EQ(recorder.opened[0].first, QStringLiteral("/p/good.avi"));
}

TEST(OpenQueue, SignalFilesOfTheSameTickStillGoToTheGraphBeforeAClipFails)
{
    OpenQueue queue;
    queue.Append({ QStringLiteral("/p/bad.avi"), QStringLiteral("/p/f.prn") });
    Recorder recorder;
    recorder.fail_on = { QStringLiteral("/p/bad.avi") };
    queue.Dispatch(recorder.Handlers());
    ASSERT_EQ(recorder.signal_batches.size(), 1u);
    EXPECT_EQ(recorder.reports.size(), 1);
    EXPECT_TRUE(queue.Empty());
}

} // namespace
} // namespace fw
