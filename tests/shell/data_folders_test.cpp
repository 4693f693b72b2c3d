#include "shell/data_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fw {
namespace {

// A scratch tree standing for a build folder or an installed prefix.
class DataFoldersTest : public ::testing::Test {
protected:
    QString Make(const QString& relative)
    {
        const QString path = root_.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(path));
        return QDir(path).canonicalPath();
    }
    QString Page(const QString& relative)
    {
        const QString folder = Make(relative);
        QFile page(folder + QStringLiteral("/index.html"));
        EXPECT_TRUE(page.open(QIODevice::WriteOnly));
        return folder + QStringLiteral("/index.html");
    }

    QTemporaryDir root_;
};

TEST_F(DataFoldersTest, SamplesOfABuildLieBesideTheProgram)
{
    const QString program_dir = Make(QStringLiteral("build/bin"));
    const QString samples = Make(QStringLiteral("build/bin/Samples"));
    Make(QStringLiteral("build/share/framewright/samples"));
    EXPECT_EQ(SamplesFolder(program_dir), samples);
}

TEST_F(DataFoldersTest, SamplesOfAnInstalledProgramLieUnderShare)
{
    const QString program_dir = Make(QStringLiteral("usr/bin"));
    const QString samples = Make(QStringLiteral("usr/share/framewright/samples"));
    EXPECT_EQ(SamplesFolder(program_dir), samples) << "a clean path, without \"..\"";
}

TEST_F(DataFoldersTest, WithoutSamplesTheFolderBesideTheProgramIsNamed)
{
    const QString program_dir = Make(QStringLiteral("usr/bin"));
    EXPECT_EQ(SamplesFolder(program_dir), program_dir + QStringLiteral("/Samples"));
}

TEST_F(DataFoldersTest, ManualOfAnInstalledProgramIsFoundUnderShareDoc)
{
    const QString program_dir = Make(QStringLiteral("usr/bin"));
    const QString page = Page(QStringLiteral("usr/share/doc/framewright"));
    EXPECT_EQ(ManualContentsPage(program_dir, {}), page);
}

TEST_F(DataFoldersTest, ManualOfABuildInsideTheSourceTreeIsTheSourceDocs)
{
    const QString program_dir = Make(QStringLiteral("source/build/bin"));
    const QString page = Page(QStringLiteral("source/docs"));
    EXPECT_EQ(ManualContentsPage(program_dir, {}), page);
}

TEST_F(DataFoldersTest, NamedDocsFolderComesFirstWhenItHoldsTheManual)
{
    const QString program_dir = Make(QStringLiteral("usr/bin"));
    const QString installed = Page(QStringLiteral("usr/share/doc/framewright"));
    const QString named = Page(QStringLiteral("elsewhere"));
    EXPECT_EQ(ManualContentsPage(program_dir, root_.filePath(QStringLiteral("elsewhere"))), named);
    EXPECT_EQ(ManualContentsPage(program_dir, root_.filePath(QStringLiteral("empty"))), installed)
        << "a named folder without the manual is passed over";
}

TEST_F(DataFoldersTest, NoManualAnywhereIsEmpty)
{
    const QString program_dir = Make(QStringLiteral("usr/bin"));
    Make(QStringLiteral("usr/share/doc/framewright/index.html")); // a folder, not a page
    EXPECT_TRUE(ManualContentsPage(program_dir, {}).isEmpty());
}

} // namespace
} // namespace fw
