// The folder tree pane: one node per folder-like item (the root, the drives,
// every folder a scan found and the database folder), the item as its data.
// Files and databases are never in the tree.
#pragma once

#include <cstdint>
#include <vector>

#include "model/item_node.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The tree pane (control 903), made by the main window; none before.
extern QTreeWidget* treePane;

// Selection changes of the tree are handled (history, pending selection,
// the marks question) only while this is set: false while the tree is
// rebuilt and around selections that must not be handled.
extern bool treeReady;

// Creates the tree pane as a child of parent: buttons and lines at the root,
// one selected node at a time, the selection changing veto and the
// expansion rules of the scan wired in.
QTreeWidget* CreateTreePane(QWidget* parent);

// Inserts the root and its drives into the tree pane and expands the root;
// each drive shows a children button before it is scanned. Without a tree
// pane there is nothing to insert into.
void InsertRootInTree(ItemNode* root);

// Inserts item under parent (none: the top level) in name order; the root
// and the drives get a children button. Returns the new node, or the one
// parent has for item already.
QTreeWidgetItem* InsertTreeItem(ItemNode* item, QTreeWidgetItem* parent);

// Inserts the count items items[order[0]], items[order[1]], ... under parent
// in one model change; order must list them in name order. nodes[order[k]]
// receives the node of items[order[k]]. One call per level of a scan, so a
// level costs one round trip from the worker.
void InsertTreeChildren(QTreeWidgetItem* parent, ItemNode* const* items, const uint32_t* order, uint32_t count,
                        QTreeWidgetItem** nodes);

// Inserts a node under parent for every folder among the count records of
// items that is not removed, in name order; subfolders and nodes receive
// them in the same order. One call per level of a scan.
void InsertSubfolderNodes(QTreeWidgetItem* parent, ItemNode* items, uint32_t count,
                          std::vector<ItemNode*>* subfolders, std::vector<QTreeWidgetItem*>* nodes);

// Makes node stand for item, a record that took the place of the one it
// showed (same name and kind); its children stay.
void SetTreeNodeItem(QTreeWidgetItem* node, ItemNode* item);

// The item a tree node stands for, or none.
ItemNode* TreeNodeItem(const QTreeWidgetItem* node);

// The child node of node whose item is item, or none; node is filled first.
QTreeWidgetItem* FindTreeChild(QTreeWidgetItem* node, const ItemNode* item);

// The same among the nodes there are, without filling node.
QTreeWidgetItem* ShownTreeChild(const QTreeWidgetItem* node, const ItemNode* item);

// Gives every subfolder of node's item that is not removed a node, unless
// done before. Waits until the item's entries are attached (ITEM_SCANNED).
void FillTreeNode(QTreeWidgetItem* node);

// Whether node has been filled.
bool TreeNodeFilled(const QTreeWidgetItem* node);

// node's item's entries changed: a node not filled yet shows a children
// button as they hold a subfolder or not.
void NoteTreeNodeChildren(QTreeWidgetItem* node);

// Deletes every child node of node with its subtree. A current node among
// them hands the selection to node first, silently, so nothing is handled
// for nodes whose items are about to be freed.
void DeleteTreeChildren(QTreeWidgetItem* node);

// Deletes node with its subtree, the same way: a current or pending node
// among them moves to node's parent first. The root node, which has no
// parent, is never deleted this way.
void DeleteTreeNode(QTreeWidgetItem* node);

// Selects the node of item among the children of the selected node (of the
// root node when none is selected); false when there is none (or the marks
// question refused the change).
bool SelectItemInTree(const ItemNode* item);

// The item of the selected node, or the root item when none is selected;
// none when the tree is empty.
ItemNode* CurrentFolderItem();

// The root's node, or none.
QTreeWidgetItem* TreeRootNode();

// Whether node lies in the subtree below ancestor (ancestor itself excluded).
bool IsTreeNodeBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor);

// Shows or hides the children button of node.
void SetTreeChildrenButton(QTreeWidgetItem* node, bool on);

// Expands or collapses node without the expansion rules running.
void SetTreeNodeExpanded(QTreeWidgetItem* node, bool expanded);

// Makes node the current node without asking or handling anything.
void SelectTreeNodeSilently(QTreeWidgetItem* node);

// Drops every node silently; done before the item tree they point into is
// freed.
void ClearTree();
