// Drives listed the way a finished scan leaves them, for tests of what shows
// a drive's or a folder's entries: the scan engine walks the device and
// attaches every level to its folder, totals computed.
#pragma once

#include <initializer_list>

#include "model/item_node.h"

class QTreeWidget;
class QTreeWidgetItem;

// Lists everything below folder, each level attached to its folder, with
// the totals of its entries (not of the folder itself). The folder may stand
// outside the tree as long as its parent chain gives its path.
void ScanFolderForTest(ItemNode* folder);

// Lists everything below drive (the object store's databases included) and
// computes the totals of its entries; the drive keeps its capacity and used
// bytes. The arrays belong to the item tree and go with it.
void ScanDriveForTest(ItemNode* drive);

// The entry reached from item by following names; none when one is missing.
ItemNode* FindEntry(ItemNode* item, std::initializer_list<const char16_t*> names);

// Gives every folder below folder a tree node below node, as the scan does.
void AddFolderNodes(ItemNode* folder, QTreeWidgetItem* node);

// The total a fresh scan finds for folder now. Folders keep the own sizes
// the first scan read: some file systems change a folder's size as its
// entries go, which no correction of totals could know.
uint64_t FreshTotal(ItemNode* folder);

// Ends a test on a scanned drive: its tree pane (tree) goes, with the item
// tree, the device and the marks.
void EndScannedDrive(QTreeWidget* tree);
