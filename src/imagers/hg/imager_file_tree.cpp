#include "imagers/hg/imager_file_tree.h"

#include <algorithm>

#include "imagers/hg/card_names.h"

namespace fw {
namespace {

const QString kCardText = QStringLiteral("PC Card");
const QString kDriveUnavailable = QStringLiteral("<DRIVE UNAVAILABLE>");
const QString kPlaceHolder = QStringLiteral("<place holder>");
const QString kRootLine = QStringLiteral("[ROOT]");
const QString kDirectoryMark = QStringLiteral("<DIR>");
const QString kFolderName = QStringLiteral("FOLDER");
const QString kAllFiles = QStringLiteral("*.*");

enum ImageIndex {
    kClosedDirectoryImage = 0,
    kOpenDirectoryImage = 1,
    kFileImage = 2,
    kCardImage = 3,
    kBayImage = 4
};

int SortRank(const TCardNode& node)
{
    if (node.IsDirectory())
        return 0;
    return node.Kind() == CardNodeKind::File ? 1 : 2;
}

bool IsDotEntry(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..");
}

} // namespace

// ---- TCardNode ----------------------------------------------------------------------------

TCardNode::TCardNode(TCardNode* parent, CardNodeKind kind, const QString& text)
    : parent_(parent)
    , kind_(kind)
    , text_(text)
{
}

QString TCardNode::Name() const
{
    return CardNodeName(text_);
}

bool TCardNode::IsDirectory() const
{
    return kind_ == CardNodeKind::UnlistedDirectory || kind_ == CardNodeKind::ListedDirectory;
}

TCardNode* TCardNode::DirectoryNamed(const QString& name) const
{
    for (const auto& child : children_) {
        if (child->IsDirectory() && child->Name().compare(name, Qt::CaseInsensitive) == 0)
            return child.get();
    }
    return nullptr;
}

TCardNode* TCardNode::ChildNamed(const QString& name) const
{
    if (TCardNode* directory = DirectoryNamed(name))
        return directory;
    for (const auto& child : children_) {
        if (child->Kind() == CardNodeKind::File && child->Name().compare(name, Qt::CaseInsensitive) == 0)
            return child.get();
    }
    return nullptr;
}

// ---- TImagerFileTree: building --------------------------------------------------------------

TImagerFileTree::TImagerFileTree()
{
    Reset();
}

void TImagerFileTree::Reset()
{
    root_ = std::make_unique<TCardNode>(nullptr, CardNodeKind::UnlistedDirectory, kCardText);
    AddChild(*root_, CardNodeKind::Placeholder, kDriveUnavailable);
}

void TImagerFileTree::Fill(const QStringList& listing)
{
    if (listing.isEmpty())
        return;
    int first_entry = 1;
    TCardNode& directory = ListedDirectoryOf(listing, first_entry);
    ReplaceChildren(directory, listing, first_entry);
}

TCardNode& TImagerFileTree::ListedDirectoryOf(const QStringList& listing, int& first_entry)
{
    if (CardNodeName(listing.first().trimmed()) != kRootLine) {
        first_entry = 1;
        return DirectoryOfPathLine(listing.first());
    }
    first_entry = 2;
    const QString card_name = listing.value(1).trimmed();
    if (!card_name.isEmpty())
        root_->text_ = card_name;
    return *root_;
}

TCardNode& TImagerFileTree::DirectoryOfPathLine(const QString& line)
{
    TCardNode* node = root_.get();
    for (const QString& component : CardPathComponents(line.trimmed())) {
        TCardNode* child = node->DirectoryNamed(component);
        if (!child) {
            RemovePlaceholders(*node);
            child = &AddChild(*node, CardNodeKind::UnlistedDirectory, component);
            RemovePlaceholders(*child);
            SortChildren(*node);
        }
        node = child;
    }
    return *node;
}

void TImagerFileTree::ReplaceChildren(TCardNode& directory, const QStringList& listing, int first_entry)
{
    directory.children_.clear();
    directory.kind_ = CardNodeKind::ListedDirectory;
    for (int i = first_entry; i < listing.size(); ++i) {
        const QString& line = listing[i];
        const QString name = CardEntryName(line);
        if (name.isEmpty() || IsDotEntry(name))
            continue;
        const bool is_directory = line.contains(kDirectoryMark);
        AddChild(directory, is_directory ? CardNodeKind::UnlistedDirectory : CardNodeKind::File,
            CardEntryText(line));
    }
    SortChildren(directory);
}

TCardNode& TImagerFileTree::AddChild(TCardNode& parent, CardNodeKind kind, const QString& text)
{
    parent.children_.push_back(std::make_unique<TCardNode>(&parent, kind, text));
    TCardNode& child = *parent.children_.back();
    if (kind == CardNodeKind::UnlistedDirectory)
        AddChild(child, CardNodeKind::Placeholder, kPlaceHolder);
    return child;
}

void TImagerFileTree::RemoveChild(TCardNode& parent, const TCardNode& child)
{
    auto& children = parent.children_;
    children.erase(std::remove_if(children.begin(), children.end(),
                       [&child](const std::unique_ptr<TCardNode>& node) { return node.get() == &child; }),
        children.end());
}

void TImagerFileTree::RemovePlaceholders(TCardNode& node)
{
    auto& children = node.children_;
    children.erase(std::remove_if(children.begin(), children.end(),
                       [](const std::unique_ptr<TCardNode>& child) {
                           return child->Kind() == CardNodeKind::Placeholder;
                       }),
        children.end());
}

void TImagerFileTree::SortChildren(TCardNode& node)
{
    std::stable_sort(node.children_.begin(), node.children_.end(),
        [](const std::unique_ptr<TCardNode>& a, const std::unique_ptr<TCardNode>& b) {
            if (SortRank(*a) != SortRank(*b))
                return SortRank(*a) < SortRank(*b);
            return a->Text().compare(b->Text(), Qt::CaseInsensitive) < 0;
        });
}

// ---- TImagerFileTree: paths and looks -------------------------------------------------------

QString TImagerFileTree::Path(const TCardNode& node)
{
    QString path;
    for (const TCardNode* at = &node; !at->IsRoot(); at = at->Parent())
        path.prepend(at->Name() + QLatin1Char('\\'));
    return path;
}

int TImagerFileTree::ImageIndex(const TCardNode& node)
{
    if (node.IsRoot())
        return kCardImage;
    if (node.Kind() == CardNodeKind::Placeholder)
        return -1;
    if (node.Name().contains(QLatin1String(".BAY"), Qt::CaseInsensitive))
        return kBayImage;
    if (node.Kind() == CardNodeKind::File)
        return kFileImage;
    return node.Expanded() ? kOpenDirectoryImage : kClosedDirectoryImage;
}

TCardNode* TImagerFileTree::Locate(const QString& path) const
{
    TCardNode* node = root_.get();
    for (const QString& component : CardPathComponents(path)) {
        node = node->ChildNamed(component);
        if (!node)
            return nullptr;
    }
    return node;
}

// ---- TImagerFileTree: expanding -------------------------------------------------------------

TCardNode* TImagerFileTree::Expand(TCardNode& node)
{
    if (!node.IsDirectory())
        return nullptr;
    TCardNode* expanded = &node;
    if (node.Kind() == CardNodeKind::UnlistedDirectory && list_directory) {
        // A listing may replace more of the tree than this node; find it again by its path.
        const QString path = Path(node);
        list_directory(CardCommandPath(path));
        expanded = Locate(path);
        if (!expanded)
            return nullptr;
    }
    expanded->expanded_ = true;
    return expanded;
}

TCardNode& TImagerFileTree::Follow(const QString& path)
{
    QString reached;
    Expand(*root_);
    for (const QString& component : CardPathComponents(path)) {
        const TCardNode* parent = Locate(reached);
        TCardNode* child = parent ? parent->DirectoryNamed(component) : nullptr;
        if (!child)
            break;
        const QString child_path = Path(*child);
        if (!Expand(*child))
            break;
        reached = child_path;
    }
    TCardNode* deepest = Locate(reached);
    return deepest ? *deepest : *root_;
}

void TImagerFileTree::ListAllBelow(const QString& path)
{
    TCardNode* node = Locate(path);
    if (!node || !node->IsDirectory())
        return;
    if (node->Kind() == CardNodeKind::UnlistedDirectory && list_directory) {
        list_directory(CardCommandPath(path));
        node = Locate(path);
        if (!node)
            return;
    }
    QStringList directories;
    for (const auto& child : node->children_) {
        if (child->IsDirectory())
            directories << Path(*child);
    }
    for (const QString& directory : directories)
        ListAllBelow(directory);
}

// ---- TImagerFileTree: new folder and rename -------------------------------------------------

TCardNode& TImagerFileTree::NewFolder(TCardNode& selected)
{
    TCardNode* target = selected.IsDirectory() ? &selected : selected.Parent();
    const QString target_path = Path(*target);
    Expand(*target);
    target = Locate(target_path);
    if (!target)
        target = root_.get();
    int folders = 0;
    for (const auto& child : target->children_)
        folders += child->Name().contains(kFolderName) ? 1 : 0;
    // Counting alone would repeat a name when an earlier folder was renamed or deleted.
    int number = folders + 1;
    while (target->ChildNamed(kFolderName + QLatin1Char('.') + QString::number(number)))
        ++number;
    RemovePlaceholders(*target);
    TCardNode& folder = AddChild(
        *target, CardNodeKind::UnlistedDirectory, kFolderName + QLatin1Char('.') + QString::number(number));
    SortChildren(*target);
    if (make_directory)
        make_directory(Path(folder));
    return folder;
}

CardRenameRefusal TImagerFileTree::RenameRefusal(const TCardNode& node)
{
    if (node.IsRoot())
        return CardRenameRefusal::CardVolume;
    if (!node.IsDirectory())
        return CardRenameRefusal::File;
    if (node.ChildCount() > 0)
        return CardRenameRefusal::NotEmpty;
    return CardRenameRefusal::None;
}

QString TImagerFileTree::RenameRefusalText(CardRenameRefusal refusal)
{
    switch (refusal) {
    case CardRenameRefusal::CardVolume:
        return QStringLiteral("Imager cannot rename PC Card Volume");
    case CardRenameRefusal::File:
        return QStringLiteral("Imager cannot rename files");
    case CardRenameRefusal::NotEmpty:
        return QStringLiteral("Directory must be empty to be Renamed");
    case CardRenameRefusal::None:
        break;
    }
    return {};
}

bool TImagerFileTree::Rename(TCardNode& node, const QString& typed)
{
    if (node.IsRoot() || !node.IsDirectory())
        return false;
    const QString name = CardDirectoryName(typed);
    const QString old_name = node.Name();
    TCardNode& parent = *node.Parent();
    const TCardNode* namesake = parent.ChildNamed(name);
    if (name.isEmpty() || name == old_name || (namesake && namesake != &node))
        return false;
    const QString parent_path = Path(parent);
    if (remove_directory)
        remove_directory(CardCommandPath(parent_path), old_name);
    if (make_directory)
        make_directory(parent_path + name);
    node.text_ = name + node.text_.mid(old_name.size());
    SortChildren(parent);
    return true;
}

// ---- TImagerFileTree: delete ----------------------------------------------------------------

QString TImagerFileTree::DeleteQuestion(const TCardNode& node)
{
    if (node.IsRoot())
        return QStringLiteral("Delete ALL FILES On PC Card Drive ") + node.Name() + QLatin1Char('?');
    if (node.IsDirectory())
        return QStringLiteral("Delete Directory ") + node.Name() + QLatin1Char('?');
    if (node.Kind() == CardNodeKind::File)
        return QStringLiteral("Delete File ") + node.Name() + QLatin1Char('?');
    return {};
}

void TImagerFileTree::Delete(TCardNode& node)
{
    if (node.Kind() == CardNodeKind::Placeholder)
        return;
    const QString path = Path(node);
    TCardNode* target = &node;
    if (node.ChildCount() > 0) {
        // Every directory below is listed first, so that each can be emptied before it goes.
        ListAllBelow(path);
        target = Locate(path);
        if (!target)
            return;
        target->expanded_ = true;
        EmptyDirectory(*target);
    }
    if (delete_path)
        delete_path(CardCommandPath(path));
    if (target->IsRoot())
        return;
    if (target->IsDirectory())
        RemoveDirectoryOnCard(*target);
    RemoveChild(*target->Parent(), *target);
}

void TImagerFileTree::EmptyDirectory(TCardNode& directory)
{
    for (const auto& child : directory.children_) {
        if (!child->IsDirectory())
            continue;
        EmptyDirectory(*child);
        if (delete_path)
            delete_path(JoinCardPath(Path(*child), kAllFiles));
        RemoveDirectoryOnCard(*child);
    }
    directory.children_.clear();
}

void TImagerFileTree::RemoveDirectoryOnCard(const TCardNode& directory)
{
    if (remove_directory)
        remove_directory(CardCommandPath(Path(*directory.Parent())), directory.Name());
}

} // namespace fw
