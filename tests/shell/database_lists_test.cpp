#include "shell/database_lists.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw {
namespace {

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

class DatabaseListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        staff_ = dir_.filePath("Staff.ini");
        ASSERT_TRUE(
            writeText(staff_, "[Operators]\r\nop7=Night Shift\r\nop8 = Day Shift \r\n[Lenses]\nL1=50mm\n"));
    }

    QTemporaryDir dir_;
    QString staff_;
};

TEST_F(DatabaseListsTest, DefaultTitlesResolveThroughCheckedSections)
{
    DatabaseLists lists;
    ASSERT_TRUE(lists.AddFile(staff_));
    EXPECT_FALSE(lists.AddFile(staff_)); // listed once only
    lists.RefreshSectionNames(0);
    lists.SetChecked(0, "Operators", true);
    lists.SetBuiltIn(DatabaseLists::kDefaultTitles,
        { { "Operator", "(staff.ini)[Operators]Op7" }, { "Day", "(STAFF.INI)[operators]OP8" },
            { "Lens", "(staff.ini)[Lenses]L1" }, { "Missing", "(staff.ini)[Operators]op9" },
            { "Elsewhere", "(other.ini)[Operators]op7" }, { "Plain", "Drop test" } });
    EXPECT_EQ(lists.ResolveDefaultTitle(0), "Night Shift");
    EXPECT_EQ(lists.ResolveDefaultTitle(1), "Day Shift");
    // An unchecked section carries no values: the reference stays as written.
    EXPECT_EQ(lists.ResolveDefaultTitle(2), "(staff.ini)[Lenses]L1");
    EXPECT_EQ(lists.ResolveDefaultTitle(3), "(staff.ini)[Operators]op9");
    EXPECT_EQ(lists.ResolveDefaultTitle(4), "(other.ini)[Operators]op7");
    EXPECT_EQ(lists.ResolveDefaultTitle(5), "Drop test");
    EXPECT_EQ(lists.ResolveDefaultTitle(6), "");

    lists.RebuildTitles();
    const std::vector<IniEntry> titles = lists.BuiltIn(DatabaseLists::kTitles);
    ASSERT_EQ(titles.size(), 6u);
    EXPECT_EQ(titles[0], (IniEntry { "Operator", "Night Shift" }));
}

TEST_F(DatabaseListsTest, ReferencesNeedTheirBracketsInOrder)
{
    EXPECT_TRUE(IsDatabaseReference("(a.ini)[S]e"));
    EXPECT_FALSE(IsDatabaseReference("[S](a.ini)e"));
    EXPECT_FALSE(IsDatabaseReference("(a.ini)e"));
    EXPECT_FALSE(IsDatabaseReference(")a.ini([S]e"));
    EXPECT_FALSE(IsDatabaseReference("Speed ] (m/s) ["));
    EXPECT_EQ(DatabaseReference("staff.ini", "Operators", "op7"), "(staff.ini)[Operators]op7");

    EXPECT_EQ(DatabaseItemTag({ 2, 3, 4 }), 2u * 65536 + 3 * 256 + 4);
    EXPECT_EQ(DatabaseItemFromTag(*DatabaseItemTag({ 7, 255, 255 })), (DatabaseItem { 7, 255, 255 }));
    // Beyond 256 sections or entries a tag would point at the wrong item: refused.
    EXPECT_FALSE(DatabaseItemTag({ 0, 256, 0 }));
    EXPECT_FALSE(DatabaseItemTag({ 0, 0, 256 }));
}

TEST_F(DatabaseListsTest, StoredAssignmentsAndDefaultTitlesComeBack)
{
    SettingsStore store(dir_.filePath("settings.ini"));
    {
        DatabaseLists lists;
        lists.Load(store);
        // Nothing stored: the built-in defaults.
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kDefaultTitles),
            (std::vector<IniEntry> { { "Title", "?" }, { "Imager Name", "?" } }));
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kTitles), (std::vector<IniEntry> { { "Description", "?" } }));
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kTiming).size(), 3u);
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kCamera).size(), 6u);
        EXPECT_TRUE(lists.Bound());
        ASSERT_TRUE(lists.AddFile(staff_));
        lists.RefreshSectionNames(0);
        lists.SetChecked(0, "Lenses", true);
        lists.SetChecked(0, "Operators", true);
        lists.SetBuiltIn(DatabaseLists::kDefaultTitles, { { "Operator", "(staff.ini)[Operators]op7" } });
        lists.Store(store);
    }
    EXPECT_EQ(store.readString("Database Files", staff_), "Lenses|Operators");
    DatabaseLists lists;
    lists.Load(store);
    ASSERT_EQ(lists.Files().size(), 2u);
    EXPECT_EQ(lists.Files()[0].name, "staff.ini");
    EXPECT_EQ(lists.Files().back().name, store.fileName().toLower());
    EXPECT_EQ(lists.ResolveDefaultTitle(0), "Night Shift");
    // New descriptor blocks start from the stored defaults as written.
    EXPECT_EQ(lists.BuiltIn(DatabaseLists::kTitles),
        (std::vector<IniEntry> { { "Operator", "(staff.ini)[Operators]op7" } }));
}

TEST_F(DatabaseListsTest, ChangedFilesAreReloadedAndVanishedOnesTolerated)
{
    DatabaseLists lists;
    ASSERT_TRUE(lists.AddFile(staff_));
    lists.RefreshSectionNames(0);
    lists.SetChecked(0, "Operators", true);
    lists.SetBuiltIn(DatabaseLists::kDefaultTitles, { { "Operator", "(staff.ini)[Operators]op7" } });
    ASSERT_TRUE(writeText(staff_, "[Operators]\nop7=Weekend\n[Sites]\nA=North\n"));
    {
        // A later time than the first write's, however quickly the two writes came.
        QFile changed(staff_);
        ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            changed.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    }
    lists.Refresh();
    EXPECT_EQ(lists.ResolveDefaultTitle(0), "Weekend");

    // Section names follow the file: new ones unchecked, vanished ones dropped.
    lists.RefreshSectionNames(0);
    const auto& sections = lists.Files()[0].sections;
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].name, "Operators");
    EXPECT_TRUE(sections[0].checked);
    EXPECT_EQ(sections[1].name, "Sites");
    EXPECT_FALSE(sections[1].checked);

    // A file deleted behind the program's back empties its sections on refresh and is an error
    // only when the user works on it.
    QFile::remove(staff_);
    lists.Refresh();
    EXPECT_EQ(lists.ResolveDefaultTitle(0), "(staff.ini)[Operators]op7");
    EXPECT_THROW(lists.RefreshSectionNames(0), Error);
    EXPECT_THROW(lists.SetChecked(0, "Operators", true), Error);
}

TEST(IniTextTest, ReadsTheUsualFormAndSurvivesOddText)
{
    const IniText ini(
        QStringLiteral("stray=before any section\r\n; comment\r\n[One]\r\n a = 1 \r\nno equals sign\r\n"
                       "[two]\rb=2=3\r[ONE]\nc=\n[Unclosed\nd=4\n[]\ne=5"));
    EXPECT_EQ(ini.SectionNames(), QStringList({ "One", "two", "Unclosed", "" }));
    EXPECT_EQ(ini.Section("one"), (std::vector<IniEntry> { { "a", "1" }, { "c", "" } }));
    EXPECT_EQ(ini.Section("TWO"), (std::vector<IniEntry> { { "b", "2=3" } }));
    EXPECT_EQ(ini.Section("Unclosed"), (std::vector<IniEntry> { { "d", "4" } }));
    EXPECT_TRUE(ini.Section("absent").empty());
    EXPECT_TRUE(IniText(QString()).SectionNames().isEmpty());

    IniText missing;
    QString error;
    EXPECT_FALSE(missing.Load("/nonexistent/x.ini", &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace fw
