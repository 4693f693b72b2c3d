#include "clips/numbered_sequence.h"

#include <algorithm>
#include <limits>

#include <QDir>
#include <QFileInfo>

#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int64_t kKeyOffset = 10000000;

struct SortEntry {
    int64_t key = 0; // 0 for a name without a number
    QString base_name;
    QString file_name;
};

QString UnsortableMessage(const QString& base_name)
{
    return QStringLiteral("File name \"") + base_name + QStringLiteral("\" cannot be numerically sorted.");
}

bool HasExtension(const QString& file_name, const QString& extension)
{
    if (extension.isEmpty())
        return QFileInfo(file_name).suffix().isEmpty();
    return file_name.size() > extension.size() && file_name.endsWith(extension, Qt::CaseInsensitive);
}

QStringList FolderFiles(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        throw Error(QStringLiteral("The folder ") + QDir::toNativeSeparators(folder)
            + QStringLiteral(" cannot be read"));
    return dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
}

} // namespace

QString NumberedSequence::PathOf(int32_t position) const
{
    return folder + names.at(size_t(position));
}

std::optional<int64_t> NumberInName(const QString& base_name)
{
    QString kept;
    for (const QChar c : base_name)
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-'))
            kept += c;
    const qsizetype digits_from = kept.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (kept.size() == digits_from || kept.indexOf(QLatin1Char('-'), digits_from) >= 0)
        return std::nullopt;
    bool ok = false;
    const qlonglong value = kept.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return value;
}

NumberedSequence ListNumberedSequence(
    const QString& any_file, const SequenceNumbering& numbering, const UnsortableQuestion& ask)
{
    const QFileInfo given(any_file);
    NumberedSequence sequence;
    sequence.folder = given.absolutePath() + QLatin1Char('/');
    sequence.extension = given.suffix().isEmpty() ? QString() : QLatin1Char('.') + given.suffix();

    std::vector<SortEntry> entries;
    bool ask_again = true;
    for (const QString& file_name : FolderFiles(sequence.folder)) {
        if (!HasExtension(file_name, sequence.extension))
            continue;
        SortEntry entry { 0, file_name.left(file_name.size() - sequence.extension.size()), file_name };
        if (std::optional<int64_t> number = NumberInName(entry.base_name)) {
            if (numbering.modulo_100000)
                *number %= 100000;
            entry.key = *number + kKeyOffset;
            sequence.lowest_number = int32_t(std::min<int64_t>(sequence.lowest_number, *number));
        } else if (ask_again) {
            const UnsortableAnswer answer = ask ? ask(UnsortableMessage(entry.base_name)) : UnsortableAnswer::Ignore;
            if (answer == UnsortableAnswer::Abort)
                throw Error("Preview Canceled");
            ask_again = answer != UnsortableAnswer::All;
        } else {
            qCInfo(lcClips).noquote() << UnsortableMessage(entry.base_name) << "Kept first, as answered for all.";
        }
        entries.push_back(std::move(entry));
    }

    std::sort(entries.begin(), entries.end(), [](const SortEntry& a, const SortEntry& b) {
        return a.key != b.key ? a.key < b.key : a.base_name < b.base_name;
    });
    for (const SortEntry& entry : entries) {
        if (entry.key == kKeyOffset && !sequence.zero_position)
            sequence.zero_position = sequence.Count();
        sequence.names.push_back(entry.file_name);
    }
    return sequence;
}

} // namespace fw
