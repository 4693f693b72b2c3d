#include "clips/bay_sequence.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr int64_t kKeyOffset = 10000000;
const QString kZeroKey = QStringLiteral("10000000");

struct SortEntry {
    QString key;
    QString name;
};

// Keys first, then names, without regard to case (names differing in case only keep a fixed order).
bool SortsBefore(const SortEntry& a, const SortEntry& b)
{
    if (const int by_key = a.key.compare(b.key, Qt::CaseInsensitive))
        return by_key < 0;
    if (const int by_name = a.name.compare(b.name, Qt::CaseInsensitive))
        return by_name < 0;
    return a.name < b.name;
}

QString UnsortableText(const QString& name)
{
    return QStringLiteral("File name \"") + name + QStringLiteral("\" cannot be numerically sorted.");
}

} // namespace

PromptButton IgnoreUnsortableName(const QString& /*question*/)
{
    return PromptButton::Ignore;
}

std::optional<QString> BaySortKey(const QString& name)
{
    QString number;
    for (const QChar c : name)
        if (c.isDigit() || c == u'-')
            number += c;
    bool ok = false;
    const int32_t n = number.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return QStringLiteral("%1").arg(int64_t(n) + kKeyOffset, 8);
}

QString UnsortedBayKey()
{
    return QStringLiteral("%1").arg(0, 8);
}

void BaySequence::Reset()
{
    names_.clear();
    size_ = {};
    zero_position_ = 0;
}

std::optional<QString> BaySequence::Open(const QString& path, const UnsortableNameQuestion& ask)
{
    Reset();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("File ") + path + QStringLiteral(" not found.");
    const std::optional<BayFrameSize> size = BayFrameSizeForFile(file.size());
    if (!size)
        return QStringLiteral("File \"") + path + QStringLiteral("\" size is invalid for a BAY file.");
    size_ = *size;
    const QFileInfo info(path);
    folder_ = info.absolutePath() + u'/';
    const QString suffix = info.suffix();
    extension_ = suffix.isEmpty() ? QString() : u'.' + suffix;
    ListFolder(info.fileName(), ask);
    return std::nullopt;
}

void BaySequence::ListFolder(const QString& opened_name, const UnsortableNameQuestion& ask)
{
    QDir folder(folder_);
    const QStringList filter { extension_.isEmpty() ? QStringLiteral("*") : u'*' + extension_ };
    QStringList files = folder.entryList(filter, QDir::Files | QDir::CaseSensitive | QDir::Hidden);
    if (extension_.isEmpty())
        files.removeIf([](const QString& name) { return name.contains(u'.'); });
    if (!files.contains(opened_name))
        files.append(opened_name); // the file was opened, whatever the listing says
    std::vector<SortEntry> entries;
    for (const QString& file : files) {
        const QString name = file.left(file.size() - extension_.size());
        std::optional<QString> key = BaySortKey(name);
        if (!key) {
            if (ask(UnsortableText(name)) == PromptButton::Cancel) {
                Reset();
                throw Error("Preview Canceled");
            }
            key = UnsortedBayKey();
        }
        entries.push_back({ *key, name });
    }
    std::sort(entries.begin(), entries.end(), SortsBefore);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].key == kZeroKey)
            zero_position_ = int32_t(i + 1);
        names_.append(entries[i].name);
    }
}

void BaySequence::SetFrameSelection(int32_t first, int32_t step)
{
    first_ = std::max(first, 0);
    step_ = std::max(step, 1);
}

int32_t BaySequence::EntryOfFrame(int32_t frame) const
{
    const int64_t entry = int64_t(first_) + int64_t(frame) * step_;
    return frame < 0 || entry >= Count() ? -1 : int32_t(entry);
}

std::optional<BayReadFailure> BaySequence::ReadFrame(int32_t frame, std::vector<uint8_t>& record) const
{
    const int32_t entry = EntryOfFrame(frame);
    if (entry < 0) {
        record.assign(size_t(size_.record_bytes), 0);
        return BayReadFailure { QStringLiteral("Frame %1 is outside the sequence.").arg(frame) };
    }
    return ReadBayFrameFile(Path(entry), size_, record);
}

} // namespace fw
