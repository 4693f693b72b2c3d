#include "shell/cleanup_list.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/open_dispatch.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QString ExtensionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

// Deletes one file; a file already gone counts as deleted. Otherwise false with the reason.
bool RemoveFile(const QString& path, QString& reason)
{
    QFile file(path);
    if (file.remove() || !QFileInfo::exists(path))
        return true;
    reason = file.errorString();
    return false;
}

void ReportUndeleted(const QString& path, const QString& reason)
{
    qCWarning(lcShell).noquote() << "Could not delete" << path << "-" << reason;
    showError(QStringLiteral("Could not delete ") + path + QLatin1Char('\r') + reason);
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
    // TIFF sequences open under either spelling of the extension; their folders clean up alike.
    return extension == QLatin1String(".TIF") || extension == QLatin1String(".TIFF")
        || extension == QLatin1String(".BAY");
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
    QStringList undeleted;
    QString reason;
    for (const QString& file : files) {
        if (!RemoveFile(dir.filePath(file), reason))
            undeleted << dir.filePath(file);
    }
    if (!undeleted.isEmpty()) {
        // One message for the directory; the entry stays so the user can try again.
        ReportUndeleted(undeleted.size() == 1
                ? undeleted.front()
                : QStringLiteral("%1 files in %2").arg(undeleted.size()).arg(directory),
            reason);
        return false;
    }
    // Other files keep the directory, which is what the user wants.
    if (!directory.isEmpty() && !QDir().rmdir(directory.chopped(1)))
        qCInfo(lcShell).noquote() << "Kept the directory" << directory << "- other files remain in it";
    return true;
}

bool CleanupList::DeleteFile(const QString& path)
{
    if (!AskYesNo(QStringLiteral("Delete ") + path + QStringLiteral("?")))
        return false;
    QString reason;
    if (RemoveFile(path, reason))
        return true;
    ReportUndeleted(path, reason);
    return false;
}

} // namespace fw
