#include "deletion/marks.h"

#include <QMessageBox>

#include "deletion/kept_place.h"
#include "model/path_list.h"
#include "platform/command_actions.h"
#include "resources/resource_module.h"

uint32_t markedCount = 0;

bool ConfirmLeavePlace(QWidget* owner) {
    // Placeholder until marking exists: nothing can be marked, so there is no
    // question to ask and leaving always goes ahead.
    (void)owner;
    return true;
}

void KeepPlaceMarks() {
    // Placeholder until marking exists: no entry can carry a mark to keep.
}

void MarkSelection(QWidget* pane, int commandId) {
    // Placeholder until marking exists: the list shows no entries to mark.
    (void)pane;
    (void)commandId;
}

void ReapplyFlaggedNames(ItemNode* entries, uint32_t count) {
    if (!flaggedNames) return;
    const char16_t* name = flaggedNames;
    for (uint32_t n = 0; n < flaggedCount; ++n) {
        for (uint32_t i = 0; i < count; ++i) {
            ItemNode* entry = &entries[i];
            if (CompareNames(entry->name, name) != 0) continue;
            // A name that was kept twice, or an entry marked already, counts once.
            if (!(entry->flags & ITEM_MARKED)) {
                entry->flags |= ITEM_MARKED;
                ++markedCount;
            }
            break;
        }
        while (*name) ++name;
        ++name;
    }
    flaggedCount = 0;
    DiscardFlaggedNames();
}

int ShowStringMessage(QWidget* owner, uint32_t stringId, const QString& caption, int buttons, int icon) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, StringText(stringId),
                    static_cast<QMessageBox::StandardButtons>(buttons), owner);
    return box.exec();
}
