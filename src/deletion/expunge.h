// Expunge: deletes the marked entries of the listed folder from storage after
// the user confirmed their list, read-only files one question each, folders
// with their whole content; the item tree, the list, the status bar and the
// pie chart are corrected as the entries go, without a rescan. Move to Trash
// goes the same way, but moves each entry, a folder whole, to the desktop's
// trash, from where it can be restored.
#pragma once

#include <cstdint>

#include "model/item_node.h"

class QDialog;
class QString;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// Answers of the read-only question.
enum ReadOnlyAnswer {
    ANSWER_YES = 1,
    ANSWER_NO = 2,
    ANSWER_YES_TO_ALL = 1005,  // ID_YES_TO_ALL
};

constexpr int EXPUNGE_LIST_CONTROL = 1002;
constexpr int READ_ONLY_NAME_CONTROL = 1006;
constexpr int READ_ONLY_PATH_CONTROL = 1007;
constexpr uint32_t YES_TO_ALL = 0x1;  // bit of a run's yesToAll

// The Expunge command: while entries are marked and no scan runs, the
// confirmation dialog (the Palm-size one on such a device); OK deletes.
void ExpungeCommand();

// The Move to Trash command: the same confirmation with its own caption; OK
// moves the entries to the trash, read-only ones without a question.
void MoveToTrashCommand();

// How a run removes its entries.
enum RemovalKind {
    REMOVE_FOR_GOOD = 0,
    REMOVE_TO_TRASH = 1,
};

// Whether the confirmation dialog is open: the tree must then stay as it is.
bool ExpungeRunning();

// The confirmation list: Name and Pathname columns, one row per marked entry
// of the current folder, sorted by name.
void FillExpungeList(QTreeWidget* list);
void SaveExpungeColumnWidths(QTreeWidget* list);

// Deletes (or moves to the trash) the entries of the dialog's list in its
// order and brings the tree, the totals up to the drive, the list, the status
// bar and the chart up to date.
void RunExpunge(QDialog* dialog, RemovalKind kind = REMOVE_FOR_GOOD);

// Moves one entry to the trash, a folder whole (node is its tree node, or
// none). An entry that no longer exists counts as moved. True when it is
// gone; the item is then flagged ITEM_REMOVED. When the drive has no trash,
// *noTrash is set after its message: the run moves nothing more.
bool TrashEntry(QWidget* owner, QTreeWidgetItem* node, ItemNode* item, bool* noTrash);

// Deletes one file, asking first when it is read-only (unless yesToAll has
// YES_TO_ALL). A file that no longer exists counts as deleted. True when it
// is gone; the item is then flagged ITEM_REMOVED.
bool DeleteEntryFile(QWidget* owner, ItemNode* item, uint32_t* yesToAll);

// The read-only question: ANSWER_YES, ANSWER_NO or ANSWER_YES_TO_ALL.
int AskReadOnlyDelete(QWidget* owner, const QString& folderPath, const QString& name);

// Removes a folder with everything the scan saw in it, depth first. What
// cannot go stays, and the folder then stays too; its total drops by what
// went. True when the folder itself is gone.
bool RemoveFolderTree(QWidget* owner, QTreeWidgetItem* node, ItemNode* folder, uint32_t* yesToAll);

// Whether one of item's entries that are not removed is a folder or a drive.
bool HasVisibleSubfolders(const ItemNode* item);

// Takes n bytes off the total of item and of every folder above it, then asks
// the drive for its space again.
void SubtractFromAncestors(ItemNode* item, uint64_t n);
