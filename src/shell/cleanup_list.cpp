#include "shell/cleanup_list.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/open_dispatch.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QString ExtensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

bool AskYesNo(const QString& text)
{
    return askUser(PromptKind::Confirmation, QString(), text, PromptButton::Yes | PromptButton::No)
        == PromptButton::Yes;
}

} // namespace

void CleanupList::Add(const QString& path)
{
    // Paths keep their case: on this file system "Run1" and "run1" are different directories.
    if (!path.isEmpty() && !entries_.contains(path))
        entries_.append(path);
}

bool CleanupList::IsFrameDirectoryEntry(const QString& path)
{
    const QString extension = ExtensionOf(path).toUpper();
    return extension == QLatin1String(".TIF") || extension == QLatin1String(".BAY");
}

bool CleanupList::DeleteEntry(qsizetype index)
{
    if (index < 0 || index >= entries_.size())
        return false;
    const QString path = entries_.at(index);
    const bool deleted = IsFrameDirectoryEntry(path) ? DeleteFrameDirectory(path) : DeleteFile(path);
    if (deleted)
        entries_.removeAt(index);
    return deleted;
}

void CleanupList::DeleteEntries(QList<qsizetype> indexes)
{
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (qsizetype index : indexes)
        DeleteEntry(index);
}

bool CleanupList::DeleteFrameDirectory(const QString& path)
{
    const QString extension = ExtensionOf(path);
    const QString directory = DirectoryOf(path);
    if (!AskYesNo(QStringLiteral("Delete ") + extension + QStringLiteral(" files Directory ") + directory
            + QStringLiteral("?")))
        return false;
    QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
    const QStringList files
        = dir.entryList({ QStringLiteral("*") + extension }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files)
        dir.remove(file);
    if (!directory.isEmpty())
        QDir().rmdir(directory.chopped(1));
    return true;
}

bool CleanupList::DeleteFile(const QString& path)
{
    if (!AskYesNo(QStringLiteral("Delete ") + path + QStringLiteral("?")))
        return false;
    QFile::remove(path);
    return true;
}

} // namespace fw
