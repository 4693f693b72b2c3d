#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/cleanup_list.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

void Touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

class CleanupListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        installPrompt(&prompt_);
        frames_ = temp_.path() + QStringLiteral("/Run1/");
        ASSERT_TRUE(QDir().mkpath(frames_));
        for (const char* name : { "F0000001.bay", "F0000002.bay", "F0000003.BAY", "notes.txt" })
            Touch(frames_ + QLatin1String(name));
    }
    void TearDown() override { installPrompt(nullptr); }

    QTemporaryDir temp_;
    ScriptedPrompt prompt_;
    QString frames_;
    CleanupList list_;
};

TEST_F(CleanupListTest, EntriesAreKeptOnceWithTheirCase)
{
    list_.Add(QStringLiteral("/data/Run1/F0000001.bay"));
    list_.Add(QStringLiteral("/data/Run1/F0000001.bay"));
    list_.Add(QStringLiteral("/data/run1/F0000001.bay"));
    EXPECT_EQ(list_.Entries().size(), 2);
}

TEST_F(CleanupListTest, FrameDirectoryEntryDeletesItsFramesAfterAskingExactly)
{
    list_.Add(frames_ + QStringLiteral("F0000001.bay"));
    prompt_.queueAnswer(PromptButton::Yes);
    EXPECT_TRUE(list_.DeleteEntry(0));
    ASSERT_EQ(prompt_.questions().size(), 1u);
    EXPECT_EQ(prompt_.questions()[0].text,
        QStringLiteral("Delete .bay files Directory ") + frames_ + QStringLiteral("?"));
    EXPECT_EQ(prompt_.questions()[0].buttons, PromptButton::Yes | PromptButton::No);
    EXPECT_TRUE(list_.Empty());
    // Other files keep the directory alive.
    EXPECT_EQ(QDir(frames_).entryList(QDir::Files), QStringList { QStringLiteral("notes.txt") });
}

TEST_F(CleanupListTest, EmptiedFrameDirectoryIsRemoved)
{
    QFile::remove(frames_ + QStringLiteral("notes.txt"));
    list_.Add(frames_ + QStringLiteral("F0000002.bay"));
    prompt_.queueAnswer(PromptButton::Yes);
    EXPECT_TRUE(list_.DeleteEntry(0));
    EXPECT_FALSE(QDir(frames_).exists());
}

TEST_F(CleanupListTest, NoKeepsFilesAndEntry)
{
    list_.Add(frames_ + QStringLiteral("F0000001.bay"));
    list_.Add(frames_ + QStringLiteral("notes.txt"));
    prompt_.setFallback(PromptButton::No);
    list_.DeleteEntries({ 0, 1 });
    EXPECT_EQ(list_.Entries().size(), 2);
    EXPECT_EQ(QDir(frames_).entryList(QDir::Files).size(), 4);
}

TEST_F(CleanupListTest, OtherEntriesDeleteOnlyThemselves)
{
    const QString notes = frames_ + QStringLiteral("notes.txt");
    list_.Add(notes);
    prompt_.queueAnswer(PromptButton::Yes);
    EXPECT_TRUE(list_.DeleteEntry(0));
    EXPECT_EQ(prompt_.texts(), QStringList { QStringLiteral("Delete ") + notes + QStringLiteral("?") });
    EXPECT_FALSE(QFile::exists(notes));
    EXPECT_EQ(QDir(frames_).entryList(QDir::Files).size(), 3);
}

TEST_F(CleanupListTest, WhatCannotBeDeletedIsReportedAndKeepsItsEntry)
{
    // A folder under a file's name cannot be unlinked, by the superuser neither.
    const QString stuck = frames_ + QStringLiteral("stuck.avi");
    ASSERT_TRUE(QDir().mkpath(stuck));
    const QString gone = frames_ + QStringLiteral("gone.avi");
    list_.Add(stuck);
    list_.Add(gone);
    prompt_.setFallback(PromptButton::Yes);
    EXPECT_FALSE(list_.DeleteEntry(0));
    EXPECT_EQ(list_.Entries(), (QStringList { stuck, gone }));
    ASSERT_EQ(prompt_.texts().size(), 2);
    EXPECT_TRUE(
        prompt_.texts()[1].startsWith(QStringLiteral("Could not delete ") + stuck + QStringLiteral("\r")))
        << prompt_.texts()[1].toStdString();
    EXPECT_GT(prompt_.texts()[1].size(), (QStringLiteral("Could not delete \r") + stuck).size());
    // A file that is gone already has nothing left to delete.
    EXPECT_TRUE(list_.DeleteEntry(1));
    EXPECT_EQ(list_.Entries(), QStringList { stuck });
}

TEST_F(CleanupListTest, OnlyWholeTifOrBayExtensionsStandForADirectory)
{
    EXPECT_TRUE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1.TIF")));
    EXPECT_TRUE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1.bay")));
    EXPECT_TRUE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1.tiff")));
    // A part of ".TIF.BAY", or no extension at all, must never sweep a directory.
    EXPECT_FALSE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1.t")));
    EXPECT_FALSE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1.F.BA")));
    EXPECT_FALSE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a/F1")));
    EXPECT_FALSE(CleanupList::IsFrameDirectoryEntry(QStringLiteral("/a.bay/F1")));
}

} // namespace
} // namespace fw
