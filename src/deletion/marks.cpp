#include "deletion/marks.h"

uint32_t markedCount = 0;

bool ConfirmLeavePlace(QWidget* owner) {
    // The marks question is asked only while entries are marked. Marking
    // arrives with the lists of folder contents; until then nothing can be
    // marked, so leaving is always allowed.
    (void)owner;
    return markedCount == 0;
}

void KeepPlaceMarks() {
    // With nothing listed there is no place and no marked name to keep yet.
}

void MarkSelection(QWidget* pane, int commandId) {
    // Only entries of a folder's contents can be marked; the list shows none yet.
    (void)pane;
    (void)commandId;
}
