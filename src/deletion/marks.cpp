#include "deletion/marks.h"

#include <cstdlib>

#include <QMessageBox>
#include <QTreeView>

#include "deletion/kept_place.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/command_actions.h"
#include "platform/owner_window.h"
#include "resources/app_texts.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_keeper.h"
#include "views/contents_list.h"
#include "views/treemap_pane.h"
#include "platform/nested_loops.h"
#include "model/display_name.h"
#include "model/file_drives.h"

uint32_t markedCount = 0;

namespace {

// Clears the mark of every entry of folder, counting each off markedCount.
void ClearMarksOf(ItemNode* folder) {
    if (!folder) return;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ItemNode* entry = &folder->children[i];
        if (!(entry->flags & ITEM_MARKED)) continue;
        // Marks are flags of the records a kept scan may be reading.
        WaitForScanKeeper();
        entry->flags &= ~ITEM_MARKED;
        if (markedCount > 0) --markedCount;
    }
}

// Whether an entry can carry a mark: files and folders, never a drive, a
// database or the database folder.
// Entries read from a scan file are not on this machine: nothing of them
// can be deleted here.
bool CanBeMarked(const ItemNode* item) {
    return !(item->flags & (ITEM_DRIVE | ITEM_DATABASE | ITEM_EARLIER)) && !IsFromScanFile(item);
}

// Clears the marks of the listed place and disables Expunge at 0.
void ClearPlaceMarks() {
    TreemapHold hold;
    // The marks belong to the folder the list shows. The tree's selection
    // names it, except in the moment between a selection and its listing,
    // so the listed entries' own folder is cleared as well.
    ItemNode* place = CurrentFolderItem();
    ClearMarksOf(place);
    if (listedPlace != place) ClearMarksOf(listedPlace);
    if (markedCount == 0) EnableCommand(CMD_EXPUNGE, false);
}

}  // namespace

bool ConfirmLeavePlace(QWidget* owner) {
    if (markedCount == 0) return true;
    int answer = ShowStringMessage(owner, STR_ASK_DROP_MARKS, QString::fromUtf16(titleText),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
    if (answer != QMessageBox::Yes && answer != QMessageBox::Ok) return false;
    ClearPlaceMarks();
    return true;
}

void KeepPlaceMarks() {
    if (pendingPlace) return;
    ItemNode* folder = CurrentFolderItem();
    // With no node in the tree there is no place to come back to.
    if (!folder) return;
    pendingPlace = CurrentPlace();
    size_t chars = 0;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode& entry = folder->children[i];
        if ((entry.flags & ITEM_MARKED) && !(entry.flags & ITEM_REMOVED)) chars += TextLength(entry.name) + 1;
    }
    DiscardFlaggedNames();
    if (chars == 0) return;
    flaggedNames = static_cast<char16_t*>(std::calloc(chars, sizeof(char16_t)));
    if (!flaggedNames) return;
    char16_t* at = flaggedNames;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode& entry = folder->children[i];
        if (!(entry.flags & ITEM_MARKED) || (entry.flags & ITEM_REMOVED)) continue;
        at = CopyText(at, entry.name, TextLength(entry.name));
        ++flaggedCount;
    }
}

void ReapplyFlaggedNames(ItemNode* entries, uint32_t count) {
    if (!flaggedNames) return;
    const char16_t* name = flaggedNames;
    for (uint32_t n = 0; n < flaggedCount; ++n) {
        for (uint32_t i = 0; i < count; ++i) {
            ItemNode* entry = &entries[i];
            // A removed entry is gone from storage: it takes no mark, which
            // would count an entry that no row shows.
            if ((entry->flags & ITEM_REMOVED) || CompareNames(entry->name, name) != 0) continue;
            if (CanBeMarked(entry) && !(entry->flags & ITEM_MARKED)) {
                WaitForScanKeeper();
                entry->flags |= ITEM_MARKED;
                ++markedCount;
            }
            break;
        }
        name += TextLength(name) + 1;
    }
    DiscardFlaggedNames();
}

void MarkSelection(QWidget* pane, int commandId) {
    if (!listPane || pane != listPane) return;
    // Marked entries are drawn hatched: the treemap lets go, then redraws.
    TreemapHold hold;
    // Marks are flags of the records a kept scan may be reading.
    WaitForScanKeeper();
    bool marking = commandId == CMD_DELETE;
    for (ListRow* row : SelectedListRows()) {
        ItemNode* item = row->item;
        if (!item) continue;
        if (!CanBeMarked(item)) {
            if (marking) {
                uint32_t refusal = STR_DRIVE_CANNOT_REMOVE;
                if (IsFromScanFile(item))
                    refusal = STR_SCAN_FILE_CANNOT_REMOVE;
                else if (item->flags & ITEM_DATABASE)
                    refusal = (item->flags & ITEM_FOLDER) ? STR_FOLDER_CANNOT_REMOVE : STR_DATABASE_CANNOT_REMOVE;
                ShowStringMessage(OwnerWindow(), refusal, DisplayName(item->name), QMessageBox::Ok,
                                  QMessageBox::Warning);
            }
        } else if (marking && !(item->flags & ITEM_MARKED)) {
            item->flags |= ITEM_MARKED;
            if (markedCount == 0) EnableCommand(CMD_EXPUNGE, true);
            ++markedCount;
        } else if (!marking && (item->flags & ITEM_MARKED)) {
            item->flags &= ~ITEM_MARKED;
            if (markedCount > 0) --markedCount;
            if (markedCount == 0) EnableCommand(CMD_EXPUNGE, false);
        }
        RedrawListRow(row);
    }
    listPane->viewport()->update();
}
