// The folder tree pane: one node per folder-like item, the item as its data.
#pragma once

#include "model/item_node.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The tree pane (control 903), made by the main window; none before.
extern QTreeWidget* treePane;

// Creates the tree pane as a child of parent: buttons and lines at the root.
QTreeWidget* CreateTreePane(QWidget* parent);

// Inserts the root and its drives into the tree pane and expands the root;
// each drive shows a children button before it is scanned. Without a tree
// pane there is nothing to insert into.
void InsertRootInTree(ItemNode* root);

// The item a tree node stands for, or none.
ItemNode* TreeNodeItem(const QTreeWidgetItem* node);

// The child node of node (first child, then its siblings) whose item is
// item, or none.
QTreeWidgetItem* FindTreeChild(const QTreeWidgetItem* node, const ItemNode* item);

// Shows or hides the children button of node.
void SetTreeChildrenButton(QTreeWidgetItem* node, bool on);

// The selected node, or the tree's root node when none is selected; none
// when the tree is empty.
QTreeWidgetItem* CurrentTreeNode();

// The item of CurrentTreeNode, or none.
ItemNode* CurrentFolderItem();

// Drops every node; done before the item tree they point into is freed.
void ClearTree();
