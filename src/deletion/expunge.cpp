#include "deletion/expunge.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>

#include "deletion/marks.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/command_actions.h"
#include "platform/dialog_builder.h"
#include "platform/owner_window.h"
#include "platform/platform_kind.h"
#include "platform/settings_blob.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/scan_keeper.h"
#include "scan/folder_tree.h"
#include "scan/scan_control.h"
#include "views/contents_list.h"
#include "views/file_kinds.h"
#include "views/image_list.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"
#include "platform/nested_loops.h"
#include "model/display_name.h"

namespace {

// The Pathname column's own width, kept on the list.
constexpr char PATHNAME_OWN_WIDTH[] = "pathnameOwnWidth";

// The full path of an item in a buffer of exactly its length, or an empty
// vector when memory runs out.
std::vector<char16_t> PathOf(const ItemNode* item) {
    std::vector<char16_t> path(ItemPathLength(item) + 1);
    if (!ItemPath(path.data(), static_cast<uint32_t>(path.size()), item)) path.clear();
    return path;
}

QString TextOf(const std::vector<char16_t>& path) { return DisplayName(path.data()); }

// The cursor of the whole program while it lives: the busy one for a run,
// giving way to the normal one for every question and message.
struct OverrideCursor {
    explicit OverrideCursor(Qt::CursorShape shape) { QGuiApplication::setOverrideCursor(shape); }
    ~OverrideCursor() { QGuiApplication::restoreOverrideCursor(); }
    OverrideCursor(const OverrideCursor&) = delete;
    OverrideCursor& operator=(const OverrideCursor&) = delete;
};

// A refusal, with the system's reason below it when one is given.
int Refuse(QWidget* owner, uint32_t stringId, const std::vector<char16_t>& path, int systemError = 0) {
    OverrideCursor normal(Qt::ArrowCursor);
    return ShowStringMessage(owner, stringId, TextOf(path), QMessageBox::Ok, QMessageBox::Critical,
                             systemError ? QString::fromLocal8Bit(strerror(systemError)) : QString());
}

bool expungeRunning = false;

ItemNode* RowItem(const QTreeWidgetItem* row) {
    return reinterpret_cast<ItemNode*>(row->data(0, Qt::UserRole).value<quintptr>());
}

// The confirmation of a run; OK runs it while the dialog is still shown,
// since its list is the work.
void ConfirmAndRemove(RemovalKind kind) {
    // A scan writes the tree while it runs; the run waits for it to end.
    if (markedCount == 0 || scanState != SCAN_IDLE) return;
    const bool palmSize = platformKind == PLATFORM_PALMSIZE;
    uint32_t dialogId = kind == REMOVE_TO_TRASH ? (palmSize ? DIALOG_TRASH_PALMSIZE : DIALOG_TRASH)
                                                : (palmSize ? DIALOG_EXPUNGE_PALMSIZE : DIALOG_EXPUNGE);
    QDialog* dialog = BuildDialog(LoadDialogTemplate(dialogId), OwnerWindow());
    if (!dialog) return;
    auto* list = qobject_cast<QTreeWidget*>(DialogControl(dialog, EXPUNGE_LIST_CONTROL));
    if (list) FillExpungeList(list);
    if (auto* ok = qobject_cast<QPushButton*>(DialogControl(dialog, 1))) {
        ok->disconnect();
        QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, list, ok, kind] {
            // The run goes through the loops of its questions and messages:
            // an OK delivered meanwhile must not start it again over the same
            // rows, whose tree nodes it may already have freed.
            ok->setEnabled(false);
            RunExpunge(dialog, kind);
            if (list) SaveExpungeColumnWidths(list);
            dialog->done(1);
        });
    }
    expungeRunning = true;
    {
        NestedLoop loop;
        dialog->exec();
    }
    expungeRunning = false;
    delete dialog;
}

}  // namespace

// Removal flags and totals change records a kept scan may be reading: it
// finishes first.
void ExpungeCommand() {
    WaitForScanKeeper();
    ConfirmAndRemove(REMOVE_FOR_GOOD);
}

void MoveToTrashCommand() {
    WaitForScanKeeper();
    ConfirmAndRemove(REMOVE_TO_TRASH);
}

bool ExpungeRunning() { return expungeRunning; }

void FillExpungeList(QTreeWidget* list) {
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setIconSize(QSize(16, 16));
    list->setColumnCount(2);
    list->setHeaderLabels({StringText(STR_HEADER_NAME), StringText(STR_HEADER_PATHNAME)});
    list->setColumnWidth(0, settingsBlob.expungeColumnWidths[0]);
    list->setColumnWidth(1, settingsBlob.expungeColumnWidths[1]);
    // The last column fills the list for display only: what is kept is its
    // own width, as stored or as the user drags it.
    list->setProperty(PATHNAME_OWN_WIDTH, settingsBlob.expungeColumnWidths[1]);
    QObject::connect(list->header(), &QHeaderView::sectionResized, list, [list](int section, int, int width) {
        if (section == 1 && QGuiApplication::mouseButtons() != Qt::NoButton) list->setProperty(PATHNAME_OWN_WIDTH, width);
    });
    ItemNode* place = CurrentFolderItem();
    if (!place) return;
    QString placePath;
    if (!(place->flags & ITEM_ROOT)) {
        std::vector<char16_t> path = PathOf(place);
        if (path.empty()) return;
        placePath = TextOf(path);
    }
    // Ascending names, ordered as everywhere in the program: this is the
    // order of deletion too.
    std::vector<ItemNode*> marked;
    for (uint32_t i = 0; i < place->childCount; ++i) {
        ItemNode* entry = &place->children[i];
        if ((entry->flags & ITEM_MARKED) && !(entry->flags & ITEM_REMOVED)) marked.push_back(entry);
    }
    std::stable_sort(marked.begin(), marked.end(),
                     [](const ItemNode* a, const ItemNode* b) { return CompareNames(a->name, b->name) < 0; });
    list->setSortingEnabled(false);
    list->setUpdatesEnabled(false);
    for (ItemNode* entry : marked) {
        auto* row = new QTreeWidgetItem();
        row->setText(0, DisplayName(entry->name));
        row->setText(1, placePath);
        row->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry)));
        row->setIcon(0, SmallImage(ListImageOf(entry)));
        list->addTopLevelItem(row);
    }
    list->setUpdatesEnabled(true);
}

void SaveExpungeColumnWidths(QTreeWidget* list) {
    settingsBlob.expungeColumnWidths[0] = list->columnWidth(0);
    bool known = false;
    int own = list->property(PATHNAME_OWN_WIDTH).toInt(&known);
    settingsBlob.expungeColumnWidths[1] = known ? own : list->columnWidth(1);
}

void RunExpunge(QDialog* dialog, RemovalKind kind) {
    auto* list = qobject_cast<QTreeWidget*>(DialogControl(dialog, EXPUNGE_LIST_CONTROL));
    if (!list) return;
    // The treemap's worker reads nothing while entries go; the place is
    // drawn again without them at the end.
    TreemapHold hold;
    uint32_t yesToAll = 0;
    uint64_t freed = 0;
    ItemNode* place = nullptr;
    OverrideCursor busy(Qt::WaitCursor);
    QTreeWidgetItem* placeNode = treePane ? treePane->currentItem() : nullptr;
    if (listPane) listPane->setUpdatesEnabled(false);
    bool noTrash = false;
    for (int i = 0; i < list->topLevelItemCount() && !noTrash; ++i) {
        ItemNode* item = RowItem(list->topLevelItem(i));
        if (!item || (item->flags & ITEM_REMOVED)) continue;
        if (!place) place = item->parent;
        if (kind == REMOVE_TO_TRASH) {
            const uint64_t counted = OpensAsPlace(item) ? item->total : CountedSize(item);
            QTreeWidgetItem* node = OpensAsPlace(item) ? FindTreeChild(placeNode, item) : nullptr;
            if (TrashEntry(dialog, node, item, &noTrash)) {
                item->flags &= ~ITEM_MARKED;
                --markedCount;
                freed += counted;
            }
        } else if (OpensAsPlace(item)) {
            QTreeWidgetItem* node = FindTreeChild(placeNode, item);
            if (!node) continue;
            uint64_t before = item->total;
            if (RemoveFolderTree(dialog, node, item, &yesToAll)) {
                item->flags &= ~ITEM_MARKED;
                --markedCount;
            }
            freed += before - item->total;
        } else if (DeleteEntryFile(dialog, item, &yesToAll)) {
            item->flags &= ~ITEM_MARKED;
            --markedCount;
            freed += CountedSize(item);
        }
    }
    // The rows of what went leave together: one by one, each would cost a
    // pass over the whole list.
    RemoveExpungedRows();
    if (listPane) listPane->setUpdatesEnabled(true);
    if (place) {
        // The totals below the place are final here: SubtractFromAncestors
        // changes only the place and what lies above it.
        const uint64_t listed = RefreshPossession(place->children, place->childCount);
        if (freed != 0) {
            SubtractFromAncestors(place, freed);
            if (OpensAsPlace(place)) ShowFolderStatus(place, listed);
        }
        if (!HasVisibleSubfolders(place) && placeNode) SetTreeChildrenButton(placeNode, false);
    }
    if (markedCount == 0) EnableCommand(CMD_EXPUNGE, false);
    if (statusBar) statusBar->update();
    RefreshFileKinds();
}

bool DeleteEntryFile(QWidget* owner, ItemNode* item, uint32_t* yesToAll) {
    std::vector<char16_t> path = PathOf(item);
    if (path.empty()) return false;
    uint32_t attributes = Device()->GetAttributes(path.data());
    if (attributes == FILE_ATTR_INVALID) {
        if (Device()->LastError() != DEVICE_FILE_NOT_FOUND) return false;
        // Gone already: it counts as deleted.
        item->flags |= ITEM_REMOVED;
        return true;
    }
    bool readOnly = attributes & FILE_ATTR_READONLY;
    if (readOnly) {
        if (!(*yesToAll & YES_TO_ALL)) {
            QString folderPath = item->parent ? TextOf(PathOf(item->parent)) : QString();
            int answer;
            {
                OverrideCursor normal(Qt::ArrowCursor);
                answer = AskReadOnlyDelete(owner, folderPath, DisplayName(item->name));
            }
            if (answer == ANSWER_YES_TO_ALL)
                *yesToAll |= YES_TO_ALL;
            else if (answer != ANSWER_YES)
                return false;
        }
        if (!Device()->SetAttributes(path.data(), attributes & ~FILE_ATTR_READONLY)) return false;
    }
    if (Device()->DeleteFile(path.data()) || Device()->LastError() == DEVICE_FILE_NOT_FOUND) {
        item->flags |= ITEM_REMOVED;
        return true;
    }
    if (readOnly) Device()->SetAttributes(path.data(), attributes);
    Refuse(owner, STR_FILE_NOT_REMOVED, path);
    return false;
}

bool TrashEntry(QWidget* owner, QTreeWidgetItem* node, ItemNode* item, bool* noTrash) {
    std::vector<char16_t> path = PathOf(item);
    if (path.empty()) return false;
    const bool folder = OpensAsPlace(item);
    if (Device()->MoveToTrash(path.data(), folder) || Device()->LastError() == DEVICE_FILE_NOT_FOUND) {
        if (node) DeleteTreeNode(node);
        item->flags |= ITEM_REMOVED;
        return true;
    }
    // Never deleted instead: without a trash the entries stay, marked, for
    // the user to choose Expunge.
    const uint32_t error = Device()->LastError();
    if (error == DEVICE_NO_TRASH) *noTrash = true;
    uint32_t message = error == DEVICE_NO_TRASH ? STR_NO_TRASH : folder ? STR_FOLDER_NOT_TRASHED : STR_FILE_NOT_TRASHED;
    Refuse(owner, message, path, Device()->LastSystemError());
    return false;
}

int AskReadOnlyDelete(QWidget* owner, const QString& folderPath, const QString& name) {
    QDialog* dialog = BuildDialog(LoadDialogTemplate(DIALOG_READ_ONLY), owner);
    if (!dialog) return ANSWER_NO;
    if (auto* edit = qobject_cast<QLineEdit*>(DialogControl(dialog, READ_ONLY_PATH_CONTROL))) edit->setText(folderPath);
    if (auto* edit = qobject_cast<QLineEdit*>(DialogControl(dialog, READ_ONLY_NAME_CONTROL))) edit->setText(name);
    int answer;
    {
        NestedLoop loop;
        answer = dialog->exec();
    }
    delete dialog;
    // The close box answers No.
    return answer == ANSWER_YES || answer == ANSWER_YES_TO_ALL ? answer : ANSWER_NO;
}

bool RemoveFolderTree(QWidget* owner, QTreeWidgetItem* node, ItemNode* folder, uint32_t* yesToAll) {
    bool ok = true;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ItemNode* entry = &folder->children[i];
        if (entry->flags & ITEM_REMOVED) continue;
        if ((entry->flags & ITEM_FOLDER) && (entry->flags & ITEM_DATABASE)) {
            ok = false;
        } else if (entry->flags & ITEM_FOLDER) {
            QTreeWidgetItem* child = FindTreeChild(node, entry);
            // A folder the tree does not show is passed over; it stays, and
            // removing this folder then fails with its message.
            if (!child) continue;
            uint64_t before = entry->total;
            if (!RemoveFolderTree(owner, child, entry, yesToAll)) ok = false;
            sum += before - entry->total;
        } else if (DeleteEntryFile(owner, entry, yesToAll)) {
            sum += CountedSize(entry);
        } else {
            ok = false;
        }
    }
    if (ok) {
        std::vector<char16_t> path = PathOf(folder);
        if (path.empty()) {
            ok = false;
        } else if (Device()->RemoveDirectory(path.data()) || Device()->LastError() == DEVICE_FILE_NOT_FOUND) {
            sum += CountedSize(folder);
        } else {
            Refuse(owner, STR_FOLDER_NOT_REMOVED, path);
            ok = false;
        }
    }
    folder->total -= sum;
    if (ok) {
        DeleteTreeNode(node);
        folder->flags |= ITEM_REMOVED;
        return true;
    }
    if (!HasVisibleSubfolders(folder)) SetTreeChildrenButton(node, false);
    return false;
}

bool HasVisibleSubfolders(const ItemNode* item) { return HoldsVisibleFolder(item->children, item->childCount); }

void SubtractFromAncestors(ItemNode* item, uint64_t n) {
    for (; item && (item->flags & ITEM_FOLDER); item = item->parent) item->total -= n;
    if (item && (item->flags & ITEM_DRIVE)) QueryDriveSpace(item);
}
