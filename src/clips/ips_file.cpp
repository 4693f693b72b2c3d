#include "clips/ips_file.h"

#include <cmath>
#include <limits>

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "clips/processing_controls.h"
#include "clips/processing_settings.h"
#include "support/fw_error.h"

namespace fw {

namespace {

const QString kScaling = QStringLiteral("Scaling");
const QString kTrackMaxName = QStringLiteral("TrackMax");
const QString kTrackBars = QStringLiteral("TrackBars");
const QString kComboBoxes = QStringLiteral("ComboBoxes");
const QString kCheckBoxes = QStringLiteral("CheckBoxes");
constexpr int32_t kTrackMaxWhenMissing = 100;

QString Unquoted(const QString& value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Whole numbers as settings files hold them: decimal, or hexadecimal after "$" or "0x", with an
// optional sign; nothing beyond 32 bits.
std::optional<int32_t> ParseWhole(const QString& text)
{
    QString digits = text.trimmed();
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith(u'$')) {
        base = 16;
        digits.remove(0, 1);
    } else if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    }
    if (digits.isEmpty())
        return std::nullopt;
    int64_t magnitude = 0;
    for (const QChar c : digits) {
        const int digit = DigitValue(c);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return std::nullopt;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

QString Name(const char* name)
{
    return QString::fromLatin1(name);
}

// Track-bar values scaled to a maximum of 500, rounded half to even.
bool ReadNumbers(const IpsIniText& ini, double factor, ProcessingSettings& settings)
{
    for (int i = 0; i < kSettingsNumberCount; ++i) {
        const auto text = ini.Value(kTrackBars, Name(kSettingsNumberNames[size_t(i)]));
        if (!text)
            continue;
        const auto value = ParseWhole(*text);
        if (!value)
            return false;
        const double scaled = std::nearbyint(double(*value) * factor);
        if (!(scaled >= std::numeric_limits<int32_t>::min() && scaled <= std::numeric_limits<int32_t>::max()))
            return false;
        settings.SetNumber(SettingsNumber(i), int32_t(scaled));
    }
    return true;
}

void ReadChoices(const IpsIniText& ini, ProcessingSettings& settings)
{
    for (int i = 0; i < kSettingsChoiceCount; ++i) {
        if (const auto text = ini.Value(kComboBoxes, Name(kSettingsChoiceNames[size_t(i)])))
            settings.SelectChoiceText(SettingsChoice(i), *text);
    }
}

bool ReadChecks(const IpsIniText& ini, ProcessingSettings& settings)
{
    for (int i = 0; i < kSettingsCheckCount; ++i) {
        const auto text = ini.Value(kCheckBoxes, Name(kSettingsCheckNames[size_t(i)]));
        if (!text)
            continue;
        const auto value = ParseWhole(*text);
        if (!value)
            return false;
        settings.SetChecked(SettingsCheck(i), *value != 0);
    }
    return true;
}

bool ReadAll(const IpsIniText& ini, ProcessingSettings& settings)
{
    int32_t track_max = kTrackMaxWhenMissing;
    if (const auto text = ini.Value(kScaling, kTrackMaxName)) {
        const auto value = ParseWhole(*text);
        // The positions are scaled by 500 / TrackMax, which needs a bar that has a length.
        if (!value || *value <= 0)
            return false;
        track_max = *value;
    }
    const double factor = double(kTrackMax) / double(track_max);
    if (!ReadNumbers(ini, factor, settings))
        return false;
    ReadChoices(ini, settings);
    return ReadChecks(ini, settings);
}

[[noreturn]] void FailLoad(const QString& path)
{
    throw Error(QStringLiteral("Settings File ") + path + QStringLiteral(" could not be loaded."));
}

} // namespace

IpsIniText IpsIniText::Parse(const QByteArray& bytes)
{
    IpsIniText ini;
    Section* current = nullptr;
    for (const QByteArray& raw_line : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw_line).trimmed();
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype end = line.indexOf(u']');
            const QString name = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
            current = ini.Find(name);
            if (!current) {
                ini.sections_.push_back({ name, {} });
                current = &ini.sections_.back();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue;
        const QString name = line.left(equals).trimmed();
        bool known = false;
        for (const auto& entry : current->entries)
            known = known || entry.first.compare(name, Qt::CaseInsensitive) == 0;
        if (!known)
            current->entries.emplace_back(name, Unquoted(line.mid(equals + 1).trimmed()));
    }
    return ini;
}

IpsIniText::Section* IpsIniText::Find(const QString& section)
{
    for (Section& s : sections_) {
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

const IpsIniText::Section* IpsIniText::Find(const QString& section) const
{
    return const_cast<IpsIniText*>(this)->Find(section);
}

std::optional<QString> IpsIniText::Value(const QString& section, const QString& name) const
{
    if (const Section* s = Find(section)) {
        for (const auto& entry : s->entries) {
            if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
                return entry.second;
        }
    }
    return std::nullopt;
}

void IpsIniText::SetValue(const QString& section, const QString& name, const QString& value)
{
    Section* s = Find(section);
    if (!s) {
        sections_.push_back({ section, {} });
        s = &sections_.back();
    }
    for (auto& entry : s->entries) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = value;
            return;
        }
    }
    s->entries.emplace_back(name, value);
}

QByteArray IpsIniText::ToBytes() const
{
    QByteArray bytes;
    for (const Section& s : sections_) {
        if (!bytes.isEmpty())
            bytes += "\r\n";
        bytes += '[' + s.name.toLatin1() + "]\r\n";
        for (const auto& [name, value] : s.entries)
            bytes += name.toLatin1() + '=' + value.toLatin1() + "\r\n";
    }
    return bytes;
}

QByteArray IpsFileText(const ProcessingSettings& settings)
{
    IpsIniText ini;
    ini.SetValue(kScaling, kTrackMaxName, QString::number(kTrackMax));
    for (int i = 0; i < kSettingsNumberCount; ++i) {
        if (settings.IsEnabled(SettingsNumber(i)))
            ini.SetValue(kTrackBars, Name(kSettingsNumberNames[size_t(i)]),
                QString::number(settings.Number(SettingsNumber(i))));
    }
    for (int i = 0; i < kSettingsChoiceCount; ++i) {
        if (settings.IsEnabled(SettingsChoice(i)))
            ini.SetValue(
                kComboBoxes, Name(kSettingsChoiceNames[size_t(i)]), settings.ChoiceText(SettingsChoice(i)));
    }
    for (int i = 0; i < kSettingsCheckCount; ++i) {
        if (settings.IsEnabled(SettingsCheck(i)))
            ini.SetValue(kCheckBoxes, Name(kSettingsCheckNames[size_t(i)]),
                settings.Checked(SettingsCheck(i)) ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return ini.ToBytes();
}

bool ReadIpsText(const QByteArray& text, ProcessingSettings& settings)
{
    const bool complete = ReadAll(IpsIniText::Parse(text), settings);
    settings.ApplyCropRules();
    return complete;
}

void LoadIpsFile(const QString& path, ProcessingSettings& settings)
{
    QFile file(path);
    if (IpsFileName(path).isEmpty() || !file.open(QIODevice::ReadOnly))
        FailLoad(path);
    const QByteArray text = file.read(kMaxIpsFileBytes + 1);
    if (file.error() != QFileDevice::NoError || text.size() > kMaxIpsFileBytes)
        FailLoad(path);
    if (!ReadIpsText(text, settings))
        FailLoad(path);
}

bool SaveIpsFile(const QString& path, const ProcessingSettings& settings, QString* reason)
{
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (IpsFileName(path).isEmpty())
        return fail(QString());
    const QString folder = IpsFolder(path);
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        return fail(QStringLiteral("Cannot make the folder ") + folder);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    file.write(IpsFileText(settings));
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

QString IpsFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString IpsFolder(const QString& path)
{
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace fw
