#include "support/settings_store.h"

#include <QFile>
#include <QFileInfo>
#include <QVariant>

#include "support/log.h"

namespace fw {

namespace {

// The group that keeps the order of each section's value names, one value per section. Its
// key starts with a "%" that no escaped name can start with ("%" alone is escaped), so it never
// meets a section of the program's own.
const QString kOrderGroup = QStringLiteral("%Order");

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
        QStringLiteral("Tarnwell"), QStringLiteral("Framewright")))
{
}

SettingsStore::SettingsStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::escapeName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c == u'/')
            out += QStringLiteral("%2F");
        else if (c == u'\\')
            out += QStringLiteral("%5C");
        else
            out += c;
    }
    return out;
}

QString SettingsStore::unescapeName(const QString& key)
{
    QString out;
    out.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key[i] == u'%' && i + 2 < key.size()) {
            const QString code = key.mid(i + 1, 2).toUpper();
            if (code == QStringLiteral("25") || code == QStringLiteral("2F")
                || code == QStringLiteral("5C")) {
                out += QChar(code.toInt(nullptr, 16));
                i += 2;
                continue;
            }
        }
        out += key[i];
    }
    return out;
}

QString SettingsStore::keyOf(const QString& section, const QString& name) const
{
    return escapeName(section) + u'/' + escapeName(name);
}

QString SettingsStore::readString(const QString& section, const QString& name, const QString& fallback) const
{
    const QVariant v = settings_->value(keyOf(section, name));
    return v.isValid() ? v.toString() : fallback;
}

bool SettingsStore::readBool(const QString& section, const QString& name, bool fallback) const
{
    const QVariant v = settings_->value(keyOf(section, name));
    if (!v.isValid())
        return fallback;
    const QString text = v.toString().trimmed().toLower();
    if (text == QStringLiteral("true") || text == QStringLiteral("1"))
        return true;
    if (text == QStringLiteral("false") || text == QStringLiteral("0"))
        return false;
    return fallback;
}

int SettingsStore::readInteger(const QString& section, const QString& name, int fallback) const
{
    const QVariant v = settings_->value(keyOf(section, name));
    bool ok = false;
    const int value = v.isValid() ? v.toString().trimmed().toInt(&ok) : 0;
    return ok ? value : fallback;
}

double SettingsStore::readFloat(const QString& section, const QString& name, double fallback) const
{
    const QVariant v = settings_->value(keyOf(section, name));
    bool ok = false;
    const double value = v.isValid() ? v.toString().trimmed().toDouble(&ok) : 0.0;
    return ok ? value : fallback;
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value)
{
    setValue(section, name, value);
}

void SettingsStore::writeBool(const QString& section, const QString& name, bool value)
{
    setValue(section, name, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void SettingsStore::writeInteger(const QString& section, const QString& name, int value)
{
    setValue(section, name, QString::number(value));
}

void SettingsStore::writeFloat(const QString& section, const QString& name, double value)
{
    setValue(section, name, QString::number(value, 'g', 17));
}

void SettingsStore::setValue(const QString& section, const QString& name, const QString& value)
{
    const QString key = keyOf(section, name);
    if (settings_->contains(key)) {
        settings_->setValue(key, value);
        return;
    }
    QStringList names = valueNames(section);
    settings_->setValue(key, value);
    names << name;
    keepOrder(section, names);
}

bool SettingsStore::valueExists(const QString& section, const QString& name) const
{
    return settings_->contains(keyOf(section, name));
}

QStringList SettingsStore::valueNames(const QString& section) const
{
    const QStringList sorted = sortedNames(section);
    QStringList names;
    names.reserve(sorted.size());
    for (const QString& name : writtenOrder(section)) {
        if (sorted.contains(name) && !names.contains(name))
            names << name;
    }
    for (const QString& name : sorted) {
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QStringList SettingsStore::sortedNames(const QString& section) const
{
    settings_->beginGroup(escapeName(section));
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    QStringList names;
    names.reserve(keys.size());
    for (const QString& key : keys)
        names << unescapeName(key);
    return names;
}

QStringList SettingsStore::writtenOrder(const QString& section) const
{
    const QString text = settings_->value(kOrderGroup + u'/' + escapeName(section)).toString();
    QStringList names;
    // Escaped names hold no "/", so it can join them.
    for (const QString& key : text.split(u'/', Qt::SkipEmptyParts))
        names << unescapeName(key);
    return names;
}

// The order is kept only where it differs from the sorted one, so sections written in sorted
// order, and files of earlier versions, carry no record of it.
void SettingsStore::keepOrder(const QString& section, const QStringList& names)
{
    const QString key = kOrderGroup + u'/' + escapeName(section);
    if (names.isEmpty() || names == sortedNames(section)) {
        settings_->remove(key);
        return;
    }
    QStringList keys;
    keys.reserve(names.size());
    for (const QString& name : names)
        keys << escapeName(name);
    settings_->setValue(key, keys.join(u'/'));
}

void SettingsStore::deleteValue(const QString& section, const QString& name)
{
    QStringList names = valueNames(section);
    settings_->remove(keyOf(section, name));
    names.removeAll(name);
    keepOrder(section, names);
}

void SettingsStore::eraseSection(const QString& section)
{
    settings_->remove(escapeName(section));
    settings_->remove(kOrderGroup + u'/' + escapeName(section));
}

bool SettingsStore::sectionExists(const QString& section) const
{
    return settings_->childGroups().contains(escapeName(section));
}

namespace {

// QSettings tells only that writing failed; opening the file the same way tells why.
QString writeFailureReason(const QString& path)
{
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return file.errorString();
    file.close();
    if (!existed)
        file.remove();
    return QStringLiteral("the file cannot be written");
}

} // namespace

bool SettingsStore::sync()
{
    settings_->sync();
    switch (settings_->status()) {
    case QSettings::NoError:
        sync_error_.clear();
        return true;
    case QSettings::AccessError:
        sync_error_ = writeFailureReason(settings_->fileName());
        break;
    case QSettings::FormatError:
        sync_error_ = QStringLiteral("the file is not in settings format");
        break;
    }
    qCWarning(lcSupport).noquote() << "Cannot write the settings to" << settings_->fileName() << "-"
                                   << sync_error_;
    return false;
}

QString SettingsStore::fileName() const
{
    return settings_->fileName();
}

} // namespace fw
