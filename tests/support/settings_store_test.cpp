#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
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
    EXPECT_EQ(names, (QStringList { "/home/ann/titles%1.ini", "C:\\old\\b.ini" }));
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

// The user's order of a section comes back, across a fresh store on the same file, through
// overwriting, deleting and adding; names with the characters that need escaping included.
TEST(SettingsStore, ValueNamesComeBackInTheOrderWritten)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("store.ini");
    const QStringList written { "Zeta", "/data/b%2F.ini", "alpha", "Mid", "C:\\x" };
    {
        SettingsStore store(ini);
        for (const QString& name : written)
            store.writeString("Default Titles", name, name + "?");
        store.writeString("Default Titles", "alpha", "changed");
        store.sync();
    }
    SettingsStore store(ini);
    EXPECT_EQ(store.valueNames("Default Titles"), written);
    EXPECT_EQ(store.readString("Default Titles", "alpha"), "changed");
    EXPECT_EQ(store.readString("Default Titles", "/data/b%2F.ini"), "/data/b%2F.ini?");

    store.deleteValue("Default Titles", "Zeta");
    store.writeInteger("Default Titles", "Added", 1);
    EXPECT_EQ(store.valueNames("Default Titles"),
        (QStringList { "/data/b%2F.ini", "alpha", "Mid", "C:\\x", "Added" }));
    // The record of the order never shows as a section or a value.
    EXPECT_FALSE(store.sectionExists("%Order"));
    EXPECT_TRUE(store.sectionExists("Default Titles"));

    store.eraseSection("Default Titles");
    EXPECT_TRUE(store.valueNames("Default Titles").isEmpty());
    store.writeString("Default Titles", "Z", "?");
    store.writeString("Default Titles", "A", "?");
    EXPECT_EQ(store.valueNames("Default Titles"), (QStringList { "Z", "A" }));
}

// Files written before the order was kept, or edited by hand, list their names sorted, and a
// section written in sorted order leaves no record behind.
TEST(SettingsStore, SectionsWithoutARecordedOrderListNamesSorted)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("store.ini");
    {
        QSettings plain(ini, QSettings::IniFormat);
        plain.setValue("Default Titles/Title", "?");
        plain.setValue("Default Titles/Imager Name", "?");
        plain.setValue("Default Titles/Operator", "?");
    }
    {
        SettingsStore store(ini);
        EXPECT_EQ(store.valueNames("Default Titles"), (QStringList { "Imager Name", "Operator", "Title" }));
        // A name added after the recorded ones, and one recorded but gone, are handled too.
        store.writeString("Default Titles", "Lens", "?");
        EXPECT_EQ(
            store.valueNames("Default Titles"), (QStringList { "Imager Name", "Operator", "Title", "Lens" }));
        store.deleteValue("Default Titles", "Operator");
        QSettings(ini, QSettings::IniFormat).setValue("Default Titles/Aperture", "?");
    }
    {
        QSettings plain(ini, QSettings::IniFormat);
        plain.remove("Default Titles/Title");
    }
    SettingsStore store(ini);
    EXPECT_EQ(store.valueNames("Default Titles"), (QStringList { "Imager Name", "Lens", "Aperture" }));

    store.eraseSection("Default Titles");
    for (const char* name : { "A", "B", "C" })
        store.writeString("Default Titles", name, "?");
    store.writeInteger("Desktop", "OpenBtn", 1);
    store.sync();
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("Order")) << "sorted sections need no record of their order";
}

// A record of the order damaged by hand never loses or invents a name.
TEST(SettingsStore, DamagedOrderRecordsAreHarmless)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("store.ini");
    for (const char* record : { "", "////", "%", "%zz/B/B/Nobody/A", "A/%2F%25/B" }) {
        SCOPED_TRACE(record);
        {
            QSettings plain(ini, QSettings::IniFormat);
            plain.clear();
            plain.setValue("Titles/A", "1");
            plain.setValue("Titles/B", "2");
            plain.setValue("Titles/C", "3");
            plain.setValue("%Order/Titles", QString::fromLatin1(record));
        }
        SettingsStore store(ini);
        QStringList names = store.valueNames("Titles");
        EXPECT_EQ(names.size(), 3);
        names.sort();
        EXPECT_EQ(names, (QStringList { "A", "B", "C" }));
    }
}

TEST(SettingsStore, AStoreThatCannotBeWrittenSaysWhy)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("taken"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A file stands where the store's folder should be, which stops the superuser too.
    SettingsStore store(dir.filePath("taken/store.ini"));
    store.writeString("Open", "Filename", "/data/a.avi");
    EXPECT_FALSE(store.sync());
    EXPECT_EQ(store.syncError(), "Not a directory");

    SettingsStore fine(dir.filePath("store.ini"));
    fine.writeString("Open", "Filename", "/data/a.avi");
    EXPECT_TRUE(fine.sync());
    EXPECT_EQ(fine.syncError(), QString());
}

} // namespace
} // namespace fw
