#pragma once

#include <memory>

#include <QDialog>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace fw {

class TCardNode;
class THGCommLayer;
class TImagerFileTree;

// The imager's PC card as a tree of directories and files: the user picks a download path
// (Browse) or manages the card (Explore: new folder, rename, delete). The window never talks to
// the imager itself; its four card operations come from the owner (ConnectTo, or the tree's
// callbacks set directly).
class TROBrowserForm : public QDialog {
    Q_OBJECT
public:
    explicit TROBrowserForm(QWidget* parent = nullptr);
    ~TROBrowserForm() override;

    // Lists, deletes, removes and makes directories through this imager's PC-card commands.
    // The link must outlive the window or be replaced before the window is used again.
    void ConnectTo(THGCommLayer& link);
    // Clears the tree down to the unlisted root "PC Card" showing "<DRIVE UNAVAILABLE>".
    void Reset();
    // Modal; answers true on "Ok" with the chosen directory's path ("\" for the card itself).
    bool Browse(const QString& start_path, QString& chosen_path);
    // Modal, with only "Close".
    void Explore();
    // Inserts a directory listing (ListDirectory's lines) into the tree.
    void Fill(const QStringList& listing);

    // The steps of Browse and Explore without the modal loop, for owners that show the window
    // themselves and for tests: mode, buttons, caption, and the activation that lists the card.
    void StartBrowsing(const QString& start_path);
    void StartExploring();
    // The path "Ok" would return.
    QString ChosenPath() const;

    // The user's actions on the selected node.
    void NewFolder();
    void RenameSelected();
    void DeleteSelected();

    TImagerFileTree& Tree() { return *tree_; }

private:
    void BuildControls();
    void BuildContextMenu();
    void LayOut();
    void Activate(bool browsing, const QString& start_path);
    void Synchronise();
    // The node of the current item, or null; looked up by path, never through a stale item.
    TCardNode* SelectedNode() const;
    // The selected node, or for a place holder (or nothing) the directory it stands in.
    TCardNode& SelectedPlace() const;
    void Select(const QString& path);
    void ItemExpanded(QTreeWidgetItem* item);
    void ItemCollapsed(QTreeWidgetItem* item);
    void ShowContextMenu(const QPoint& position);
    void StartEditing(const QString& path);
    void EditCommitted(QWidget* editor);
    void FinishEditing();
    // Runs a card operation with the other actions held off; a refusal of the comm layer (it is
    // busy) is shown, and the tree is shown as the operation left it.
    template <typename Action> void RunCardOperation(const char* what, Action action);

    std::unique_ptr<TImagerFileTree> tree_;
    QTreeWidget* dir_tree_ = nullptr;
    QPushButton* new_button_ = nullptr;
    QPushButton* rename_button_ = nullptr;
    QPushButton* delete_button_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
    QPushButton* close_button_ = nullptr;
    QMenu* context_menu_ = nullptr;
    QAction* rename_item_ = nullptr;
    QAction* delete_item_ = nullptr;
    QString selected_path_;
    QString editing_path_; // the directory whose name is being edited
    QString typed_name_;
    bool name_committed_ = false;
    bool synchronising_ = false;
    bool busy_ = false;
};

} // namespace fw
