#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/settings_store.h"

namespace fw {
namespace {

TEST(SettingsStore, NamesWithSlashesAndPercentRoundTrip)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("store.ini");
    {
        SettingsStore store(ini);
        store.writeString("Database Files", "/home/ann/titles%1.ini", "Titles|Rig");
        store.writeString("Database Files", "C:\\old\\b.ini", "");
        store.writeInteger("Desktop", "OpenBtn", 7);
        store.sync();
    }
    SettingsStore store(ini);
    QStringList names = store.valueNames("Database Files");
    names.sort();
    EXPECT_EQ(names, (QStringList{"/home/ann/titles%1.ini", "C:\\old\\b.ini"}));
    EXPECT_EQ(store.readString("Database Files", "/home/ann/titles%1.ini"), "Titles|Rig");
    EXPECT_EQ(store.readInteger("Desktop", "OpenBtn", 0), 7);
}

TEST(SettingsStore, MissingOrMalformedValuesGiveTheDefault)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("store.ini"));
    EXPECT_TRUE(store.readBool("Preferences", "Show Hints", true));
    store.writeString("Preferences", "Show Hints", "maybe");
    EXPECT_FALSE(store.readBool("Preferences", "Show Hints", false));
    store.writeString("Save", "FilterIndex", "two");
    EXPECT_EQ(store.readInteger("Save", "FilterIndex", 2), 2);
    EXPECT_DOUBLE_EQ(store.readFloat("Bayer", "Gain", 1.5), 1.5);
    store.eraseSection("Save");
    EXPECT_FALSE(store.valueExists("Save", "FilterIndex"));
}

} // namespace
} // namespace fw
