#include "imagers/forms/ro_browser_form.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "imagers/forms/card_tree_items.h"
#include "imagers/forms/wait_cursor.h"
#include "imagers/hg/card_names.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/imager_file_tree.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

const QString kRenameNotPossible = QStringLiteral("Rename not Possible");

QPushButton* NewButton(const QString& text, const char* object_name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(object_name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TROBrowserForm::TROBrowserForm(QWidget* parent)
    : QDialog(parent)
    , tree_(std::make_unique<TImagerFileTree>())
{
    setObjectName(QStringLiteral("ROBrowserForm"));
    BuildControls();
    BuildContextMenu();
    LayOut();
    Synchronise();
}

TROBrowserForm::~TROBrowserForm() = default;

void TROBrowserForm::BuildControls()
{
    dir_tree_ = new QTreeWidget(this);
    dir_tree_->setObjectName(QStringLiteral("DirTree"));
    dir_tree_->setColumnCount(1);
    dir_tree_->header()->hide();
    dir_tree_->setSortingEnabled(false); // the card tree keeps its own order
    dir_tree_->setEditTriggers(QAbstractItemView::NoEditTriggers); // names change only by "Rename"
    dir_tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    dir_tree_->setMinimumSize(360, 300);
    new_button_ = NewButton(QStringLiteral("New"), "NewBtn", this);
    rename_button_ = NewButton(QStringLiteral("Rename"), "RenameBtn", this);
    delete_button_ = NewButton(QStringLiteral("Delete"), "DeleteBtn", this);
    ok_button_ = NewButton(QStringLiteral("Ok"), "OkBtn", this);
    cancel_button_ = NewButton(QStringLiteral("Cancel"), "CancelBtn", this);
    close_button_ = NewButton(QStringLiteral("Close"), "CloseBtn", this);

    connect(dir_tree_, &QTreeWidget::itemExpanded, this, &TROBrowserForm::ItemExpanded);
    connect(dir_tree_, &QTreeWidget::itemCollapsed, this, &TROBrowserForm::ItemCollapsed);
    connect(dir_tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && !synchronising_)
            selected_path_ = CardItemPath(current);
    });
    connect(dir_tree_, &QWidget::customContextMenuRequested, this, &TROBrowserForm::ShowContextMenu);
    connect(
        dir_tree_->itemDelegate(), &QAbstractItemDelegate::commitData, this, &TROBrowserForm::EditCommitted);
    // The editor is still closing: the tree changes once it is gone.
    connect(dir_tree_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
        [this] { QMetaObject::invokeMethod(this, &TROBrowserForm::FinishEditing, Qt::QueuedConnection); });
    connect(new_button_, &QPushButton::clicked, this, &TROBrowserForm::NewFolder);
    connect(rename_button_, &QPushButton::clicked, this, &TROBrowserForm::RenameSelected);
    connect(delete_button_, &QPushButton::clicked, this, &TROBrowserForm::DeleteSelected);
    connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
    connect(close_button_, &QPushButton::clicked, this, &QDialog::reject);
}

void TROBrowserForm::BuildContextMenu()
{
    context_menu_ = new QMenu(this);
    context_menu_->setObjectName(QStringLiteral("TreeMenu"));
    rename_item_ = context_menu_->addAction(QStringLiteral("Rena&me"), this, &TROBrowserForm::RenameSelected);
    rename_item_->setObjectName(QStringLiteral("RenameItem"));
    delete_item_ = context_menu_->addAction(QStringLiteral("Delete"), this, &TROBrowserForm::DeleteSelected);
    delete_item_->setObjectName(QStringLiteral("DeleteItem"));
}

void TROBrowserForm::LayOut()
{
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : { new_button_, rename_button_, delete_button_ })
        buttons->addWidget(button);
    buttons->addStretch();
    for (QPushButton* button : { ok_button_, cancel_button_, close_button_ })
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dir_tree_);
    layout->addLayout(buttons);
}

// ---- The owner's side -------------------------------------------------------------------------

void TROBrowserForm::ConnectTo(THGCommLayer& link)
{
    THGCommLayer* imager = &link;
    tree_->list_directory = [this, imager](const QString& path) {
        const WaitCursor hourglass;
        Fill(imager->ListDirectory(path));
    };
    tree_->delete_path
        = [imager](const QString& path) { imager->WriteStringRegister(hgcmd::kCardFile5A, path); };
    tree_->remove_directory = [imager](const QString& parent_path, const QString& name) {
        imager->WriteStringRegister(hgcmd::kCardPath, parent_path);
        imager->WriteStringRegister(hgcmd::kCardFile59, name);
    };
    tree_->make_directory
        = [imager](const QString& path) { imager->WriteStringRegister(hgcmd::kCardFile58, path); };
}

void TROBrowserForm::Reset()
{
    tree_->Reset();
    selected_path_.clear();
    Synchronise();
}

bool TROBrowserForm::Browse(const QString& start_path, QString& chosen_path)
{
    StartBrowsing(start_path);
    if (exec() != QDialog::Accepted)
        return false;
    chosen_path = ChosenPath();
    return true;
}

void TROBrowserForm::Explore()
{
    StartExploring();
    exec();
}

void TROBrowserForm::Fill(const QStringList& listing)
{
    const WaitCursor hourglass;
    tree_->Fill(listing);
    Synchronise();
}

void TROBrowserForm::StartBrowsing(const QString& start_path)
{
    setWindowTitle(QStringLiteral("Browsing"));
    ok_button_->show();
    cancel_button_->show();
    close_button_->hide();
    Activate(true, start_path);
}

void TROBrowserForm::StartExploring()
{
    setWindowTitle(QStringLiteral("Exploring"));
    ok_button_->hide();
    cancel_button_->hide();
    close_button_->show();
    Activate(false, {});
}

void TROBrowserForm::Activate(bool browsing, const QString& start_path)
{
    RunCardOperation("listing the card", [&] {
        if (browsing)
            selected_path_ = TImagerFileTree::Path(tree_->Follow(start_path));
        else
            tree_->Expand(tree_->Root());
    });
    const QString prefix = browsing ? QStringLiteral("Browsing for Imager Download Path on ")
                                    : QStringLiteral("Exploring Imager Files on ");
    setWindowTitle(prefix + tree_->Root().Text());
}

QString TROBrowserForm::ChosenPath() const
{
    const TCardNode* node = &SelectedPlace();
    if (!node->IsDirectory())
        node = node->Parent();
    return CardCommandPath(TImagerFileTree::Path(*node));
}

// ---- The tree widget --------------------------------------------------------------------------

void TROBrowserForm::Synchronise()
{
    synchronising_ = true;
    SyncCardItems(*dir_tree_, tree_->Root());
    synchronising_ = false;
    Select(selected_path_);
}

TCardNode* TROBrowserForm::SelectedNode() const
{
    QTreeWidgetItem* current = dir_tree_->currentItem();
    return current ? tree_->Locate(CardItemPath(current)) : nullptr;
}

TCardNode& TROBrowserForm::SelectedPlace() const
{
    for (QTreeWidgetItem* item = dir_tree_->currentItem(); item; item = item->parent()) {
        if (TCardNode* node = tree_->Locate(CardItemPath(item)))
            return *node;
    }
    return tree_->Root();
}

// Selects the node at the path, or the deepest of its directories still in the tree.
void TROBrowserForm::Select(const QString& path)
{
    QStringList components = CardPathComponents(path);
    const TCardNode* node = tree_->Locate(path);
    while (!node && !components.isEmpty()) {
        components.removeLast();
        node = tree_->Locate(components.join(QLatin1Char('\\')));
    }
    selected_path_ = TImagerFileTree::Path(*node);
    QTreeWidgetItem* item = CardItemOf(*dir_tree_, node);
    if (item && dir_tree_->currentItem() != item) {
        synchronising_ = true;
        dir_tree_->setCurrentItem(item);
        synchronising_ = false;
    }
}

void TROBrowserForm::ItemExpanded(QTreeWidgetItem* item)
{
    if (synchronising_ || busy_)
        return;
    const QString path = CardItemPath(item);
    RunCardOperation("expanding a directory", [&] {
        if (TCardNode* node = tree_->Locate(path))
            tree_->Expand(*node);
    });
}

void TROBrowserForm::ItemCollapsed(QTreeWidgetItem* item)
{
    if (synchronising_ || busy_)
        return;
    if (TCardNode* node = tree_->Locate(CardItemPath(item)))
        tree_->Collapse(*node);
    Synchronise();
}

void TROBrowserForm::ShowContextMenu(const QPoint& position)
{
    QTreeWidgetItem* item = dir_tree_->itemAt(position);
    if (!item || busy_)
        return;
    dir_tree_->setCurrentItem(item);
    const TCardNode* node = SelectedNode();
    rename_item_->setEnabled(node && TImagerFileTree::RenameRefusal(*node) == CardRenameRefusal::None);
    delete_item_->setEnabled(node && !TImagerFileTree::DeleteQuestion(*node).isEmpty());
    context_menu_->popup(dir_tree_->viewport()->mapToGlobal(position));
}

// ---- New, Rename, Delete ----------------------------------------------------------------------

void TROBrowserForm::NewFolder()
{
    if (busy_)
        return;
    TCardNode& selected = SelectedPlace();
    QString folder_path;
    RunCardOperation(
        "making a folder", [&] { folder_path = TImagerFileTree::Path(tree_->NewFolder(selected)); });
    if (!folder_path.isEmpty())
        StartEditing(folder_path);
}

void TROBrowserForm::RenameSelected()
{
    const TCardNode* node = SelectedNode();
    if (!node || busy_)
        return;
    const CardRenameRefusal refusal = TImagerFileTree::RenameRefusal(*node);
    if (refusal != CardRenameRefusal::None) {
        askUser(PromptKind::Warning, kRenameNotPossible, TImagerFileTree::RenameRefusalText(refusal),
            PromptButton::Ok);
        return;
    }
    StartEditing(TImagerFileTree::Path(*node));
}

void TROBrowserForm::StartEditing(const QString& path)
{
    const TCardNode* node = tree_->Locate(path);
    QTreeWidgetItem* item = CardItemOf(*dir_tree_, node);
    if (!item)
        return;
    Select(path);
    editing_path_ = path;
    name_committed_ = false;
    item->setText(0, node->Name()); // the editor offers the name alone
    dir_tree_->scrollToItem(item);
    dir_tree_->editItem(item);
}

void TROBrowserForm::EditCommitted(QWidget* editor)
{
    if (const auto* line = qobject_cast<QLineEdit*>(editor)) {
        typed_name_ = line->text();
        name_committed_ = true;
    }
}

void TROBrowserForm::FinishEditing()
{
    const QString path = editing_path_;
    const bool committed = name_committed_;
    editing_path_.clear();
    name_committed_ = false;
    TCardNode* node = tree_->Locate(path);
    if (committed && node && !busy_) {
        RunCardOperation("renaming a folder", [&] {
            if (tree_->Rename(*node, typed_name_))
                selected_path_ = TImagerFileTree::Path(*node);
        });
    }
    Synchronise();
}

void TROBrowserForm::DeleteSelected()
{
    TCardNode* node = SelectedNode();
    if (!node || busy_)
        return;
    const QString question = TImagerFileTree::DeleteQuestion(*node);
    if (question.isEmpty() || !confirm(question))
        return;
    const QString path = TImagerFileTree::Path(*node);
    RunCardOperation("deleting", [&] {
        if (TCardNode* target = tree_->Locate(path))
            tree_->Delete(*target);
    });
}

template <typename Action> void TROBrowserForm::RunCardOperation(const char* what, Action action)
{
    busy_ = true;
    try {
        action();
    } catch (const Error& refusal) {
        qCWarning(lcImagers) << "card browser:" << what << "failed:" << refusal.message();
        showError(refusal.message());
    }
    busy_ = false;
    Synchronise();
}

} // namespace fw
