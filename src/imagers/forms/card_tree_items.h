#pragma once

class QString;
class QTreeWidget;
class QTreeWidgetItem;

namespace fw {

class TCardNode;

// The items of the file browser's tree widget, kept in step with the card tree. Each item holds
// its node and its image index (TImagerFileTree::ImageIndex) as item data.
inline constexpr int kCardNodeRole = 0x0100; // Qt::UserRole
inline constexpr int kCardImageRole = 0x0101;

// The card path of the node an item shows (the names from below the root, each followed by
// "\"). Found from the texts, so it stays safe while the tree changes under the widget.
QString CardItemPath(const QTreeWidgetItem* item);
// The item showing a node, or null.
QTreeWidgetItem* CardItemOf(const QTreeWidget& view, const TCardNode* node);
// Makes the widget show the card tree: text, image, order and children of every node and which
// directories are expanded. Items whose node and children are unchanged are kept.
void SyncCardItems(QTreeWidget& view, const TCardNode& root);

} // namespace fw
