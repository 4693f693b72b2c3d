#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

namespace fw {

// What a node of the card tree stands for. A directory that has not been listed shows a
// "<place holder>" child so that it can be expanded; the root shows "<DRIVE UNAVAILABLE>" until
// the card has been listed.
enum class CardNodeKind { UnlistedDirectory, ListedDirectory, File, Placeholder };

// Why a node cannot take a new name.
enum class CardRenameRefusal { None, CardVolume, File, NotEmpty };

// One node of the card tree: the root (the card), a directory, a file or a place holder.
class TCardNode {
public:
    TCardNode(TCardNode* parent, CardNodeKind kind, const QString& text);

    // The 8.3 name followed by two or more blanks and the rest of its listing line.
    const QString& Text() const { return text_; }
    // The text up to the first pair of blanks.
    QString Name() const;
    CardNodeKind Kind() const { return kind_; }
    bool IsRoot() const { return parent_ == nullptr; }
    bool IsDirectory() const;
    bool Expanded() const { return expanded_; }
    TCardNode* Parent() const { return parent_; }
    int ChildCount() const { return int(children_.size()); }
    TCardNode* Child(int index) const { return children_.at(size_t(index)).get(); }
    // A directory child of that name (letter case aside), or null.
    TCardNode* DirectoryNamed(const QString& name) const;
    // A directory or file child of that name, directories first, or null.
    TCardNode* ChildNamed(const QString& name) const;

private:
    friend class TImagerFileTree;

    TCardNode* parent_;
    CardNodeKind kind_;
    QString text_;
    bool expanded_ = false;
    std::vector<std::unique_ptr<TCardNode>> children_;
};

// The PC card of an imager as the file browser shows it: the tree, built from directory
// listings, and the card operations behind "New", "Rename" and "Delete". The four operations are
// the owner's (each one PC-card command sequence); the tree only decides what to call and how it
// changes. A missing operation is skipped.
class TImagerFileTree {
public:
    // Lists the directory at `path` ("\" for the card) and hands the lines to Fill.
    std::function<void(const QString& path)> list_directory;
    // Deletes a file, or the files of a directory or of a "\*.*" pattern.
    std::function<void(const QString& path)> delete_path;
    // Removes the empty directory `name` of the directory at `parent_path`.
    std::function<void(const QString& parent_path, const QString& name)> remove_directory;
    std::function<void(const QString& path)> make_directory;

    TImagerFileTree();

    // Back to the unlisted root "PC Card" with its single child "<DRIVE UNAVAILABLE>".
    void Reset();
    TCardNode& Root() { return *root_; }
    const TCardNode& Root() const { return *root_; }

    // Inserts a listing: "[ROOT]" and the card's name, or a path line, then the entries of that
    // directory, which replace its children. An empty listing changes nothing.
    void Fill(const QStringList& listing);

    // The names below the root down to the node, each followed by "\" (empty for the root).
    static QString Path(const TCardNode& node);
    // 3 root, 4 a name containing ".BAY", 2 file, 1 expanded directory, 0 closed directory.
    static int ImageIndex(const TCardNode& node);

    // The node at a path (files too), or null.
    TCardNode* Locate(const QString& path) const;

    // Marks a directory expanded, listing it first when it has not been listed. Answers the
    // node as it is after the listing, or null for a node that cannot expand (or that the
    // listing removed).
    TCardNode* Expand(TCardNode& node);
    void Collapse(TCardNode& node) { node.expanded_ = false; }
    // Follows a path from the root, expanding each directory found; the deepest one reached.
    TCardNode& Follow(const QString& path);

    // "New": adds "FOLDER.n" under the directory (a file's own directory) and makes it.
    TCardNode& NewFolder(TCardNode& selected);
    static CardRenameRefusal RenameRefusal(const TCardNode& node);
    // The text of the "Rename not Possible" message; empty when renaming is allowed.
    static QString RenameRefusalText(CardRenameRefusal refusal);
    // Gives a directory the typed name, cut to 8.3: removes the old directory and makes the
    // new one. False when nothing changed (no name left, the same name, or a sibling has it).
    bool Rename(TCardNode& node, const QString& typed);
    // The question "Delete" asks before it deletes the node.
    static QString DeleteQuestion(const TCardNode& node);
    // Deletes the node from the card and from the tree (the root stays, emptied). Everything
    // below it goes first, deepest first.
    void Delete(TCardNode& node);

private:
    TCardNode& ListedDirectoryOf(const QStringList& listing, int& first_entry);
    TCardNode& DirectoryOfPathLine(const QString& line);
    void ReplaceChildren(TCardNode& directory, const QStringList& listing, int first_entry);
    // Lists every directory at or below `path` that has not been listed.
    void ListAllBelow(const QString& path);
    void EmptyDirectory(TCardNode& directory);
    void RemoveDirectoryOnCard(const TCardNode& directory);
    static TCardNode& AddChild(TCardNode& parent, CardNodeKind kind, const QString& text);
    static void RemoveChild(TCardNode& parent, const TCardNode& child);
    static void RemovePlaceholders(TCardNode& node);
    static void SortChildren(TCardNode& node);

    std::unique_ptr<TCardNode> root_;
};

} // namespace fw
