#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "shell/database_lists.h"
#include "support/settings_store.h"

namespace fw {
namespace {

// The default titles come back at the next start in the order the user gave them, and the
// titles of new descriptor blocks with them; files of earlier versions still load.
TEST(DefaultTitlesOrder, DefaultTitlesComeBackInTheUsersOrder)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    const std::vector<IniEntry> titles { { "Title", "Drop test" },
        { "Operator", "(staff.ini)[Operators]op7" }, { "Imager Name", "?" }, { "Camera Angle", "45" } };
    {
        SettingsStore store(ini);
        DatabaseLists lists;
        lists.Load(store);
        lists.SetBuiltIn(DatabaseLists::kDefaultTitles, titles);
        lists.Store(store);
        store.sync();
    }
    {
        SettingsStore store(ini);
        DatabaseLists lists;
        lists.Load(store);
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kDefaultTitles), titles);
        EXPECT_EQ(lists.BuiltIn(DatabaseLists::kTitles), titles);

        // The user moves the last title to the front: the next start has it there.
        std::vector<IniEntry> moved { titles[3], titles[0], titles[1], titles[2] };
        lists.SetBuiltIn(DatabaseLists::kDefaultTitles, moved);
        lists.Store(store);
        store.sync();
        DatabaseLists again;
        again.Load(SettingsStore(ini));
        EXPECT_EQ(again.BuiltIn(DatabaseLists::kDefaultTitles), moved);
    }
}

TEST(DefaultTitlesOrder, SettingsOfEarlierVersionsLoadAndKeepTheirTitles)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    {
        QSettings earlier(ini, QSettings::IniFormat);
        earlier.setValue("Default Titles/Title", "?");
        earlier.setValue("Default Titles/Operator", "Ann");
    }
    SettingsStore store(ini);
    DatabaseLists lists;
    lists.Load(store);
    const std::vector<IniEntry> sorted { { "Operator", "Ann" }, { "Title", "?" } };
    EXPECT_EQ(lists.BuiltIn(DatabaseLists::kDefaultTitles), sorted);
}

} // namespace
} // namespace fw
