#include "imagers/forms/card_tree_items.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <QTreeWidget>

#include "imagers/hg/card_names.h"
#include "imagers/hg/imager_file_tree.h"

namespace fw {
namespace {

// Images by index: closed directory, open directory, file, card, BAY frame file.
QIcon CardImage(int image_index)
{
    QStyle* style = QApplication::style();
    switch (image_index) {
    case 0:
        return style->standardIcon(QStyle::SP_DirClosedIcon);
    case 1:
        return style->standardIcon(QStyle::SP_DirOpenIcon);
    case 2:
        return style->standardIcon(QStyle::SP_FileIcon);
    case 3:
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    case 4:
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    default:
        return {};
    }
}

quintptr Key(const TCardNode* node)
{
    return reinterpret_cast<quintptr>(node);
}

void ShowNode(QTreeWidgetItem& item, const TCardNode& node)
{
    if (item.text(0) != node.Text())
        item.setText(0, node.Text());
    const int image = TImagerFileTree::ImageIndex(node);
    if (item.data(0, kCardImageRole).toInt() != image || !item.data(0, kCardImageRole).isValid()) {
        item.setData(0, kCardImageRole, image);
        item.setIcon(0, CardImage(image));
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (node.IsDirectory() && !node.IsRoot())
        flags |= Qt::ItemIsEditable;
    if (item.flags() != flags)
        item.setFlags(flags);
}

QTreeWidgetItem* NewItem(const TCardNode& node)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, kCardNodeRole, Key(&node));
    ShowNode(*item, node);
    for (int i = 0; i < node.ChildCount(); ++i)
        item->addChild(NewItem(*node.Child(i)));
    return item;
}

bool SameChildren(const QTreeWidgetItem& item, const TCardNode& node)
{
    if (item.childCount() != node.ChildCount())
        return false;
    for (int i = 0; i < node.ChildCount(); ++i) {
        if (item.child(i)->data(0, kCardNodeRole).value<quintptr>() != Key(node.Child(i)))
            return false;
    }
    return true;
}

// Expanding needs the item in the widget, so it follows the children.
void ExpandAsNode(QTreeWidgetItem& item, const TCardNode& node)
{
    if (item.isExpanded() != node.Expanded() && item.childCount() > 0)
        item.setExpanded(node.Expanded());
    for (int i = 0; i < node.ChildCount() && i < item.childCount(); ++i)
        ExpandAsNode(*item.child(i), *node.Child(i));
}

void SyncItem(QTreeWidgetItem& item, const TCardNode& node)
{
    ShowNode(item, node);
    if (SameChildren(item, node)) {
        for (int i = 0; i < node.ChildCount(); ++i)
            SyncItem(*item.child(i), *node.Child(i));
        if (item.isExpanded() != node.Expanded() && item.childCount() > 0)
            item.setExpanded(node.Expanded());
        return;
    }
    qDeleteAll(item.takeChildren());
    QList<QTreeWidgetItem*> children;
    for (int i = 0; i < node.ChildCount(); ++i)
        children << NewItem(*node.Child(i));
    item.addChildren(children);
    ExpandAsNode(item, node);
}

QTreeWidgetItem* FindItem(QTreeWidgetItem& item, quintptr key)
{
    if (item.data(0, kCardNodeRole).value<quintptr>() == key)
        return &item;
    for (int i = 0; i < item.childCount(); ++i) {
        if (QTreeWidgetItem* found = FindItem(*item.child(i), key))
            return found;
    }
    return nullptr;
}

} // namespace

QString CardItemPath(const QTreeWidgetItem* item)
{
    QString path;
    for (; item && item->parent(); item = item->parent())
        path.prepend(CardNodeName(item->text(0)) + QLatin1Char('\\'));
    return path;
}

QTreeWidgetItem* CardItemOf(const QTreeWidget& view, const TCardNode* node)
{
    QTreeWidgetItem* top = view.topLevelItem(0);
    return top && node ? FindItem(*top, Key(node)) : nullptr;
}

void SyncCardItems(QTreeWidget& view, const TCardNode& root)
{
    QTreeWidgetItem* top = view.topLevelItem(0);
    if (!top || top->data(0, kCardNodeRole).value<quintptr>() != Key(&root)) {
        view.clear();
        top = NewItem(root);
        view.addTopLevelItem(top);
    }
    SyncItem(*top, root);
}

} // namespace fw
