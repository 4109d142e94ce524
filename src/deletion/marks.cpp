#include "deletion/marks.h"

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
