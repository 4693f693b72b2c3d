// Settings files may be edited by hand or damaged: whatever they hold, a section lists every
// value it has exactly once, and a value written next comes last.
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "support/settings_store.h"

namespace {

void check(fw::SettingsStore& store, const QString& ini, const QString& section)
{
    const QStringList names = store.valueNames(section);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!store.valueExists(section, names[i]) || names.indexOf(names[i]) != i)
            std::abort();
    }
    QSettings plain(ini, QSettings::IniFormat);
    plain.beginGroup(fw::SettingsStore::escapeName(section));
    if (plain.childKeys().size() != names.size())
        std::abort();
    plain.endGroup();

    const QString added = QStringLiteral("added by the check");
    const bool existed = store.valueExists(section, added);
    store.writeString(section, added, QStringLiteral("?"));
    const QStringList after = store.valueNames(section);
    if (!existed && (after.size() != names.size() + 1 || after.last() != added))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Every input gets a file of its own: the settings of one path are cached for the process.
    static std::atomic<int> serial { 0 };
    const QString ini = QDir::temp().filePath(QStringLiteral("fuzz_settings_store.%1.%2.ini")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(++serial));
    {
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    {
        fw::SettingsStore store(ini);
        for (const char* section : { "Default Titles", "Database Files", "%Order" })
            check(store, ini, QString::fromLatin1(section));
    }
    QFile::remove(ini);
    return 0;
}
