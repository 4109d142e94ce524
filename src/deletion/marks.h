// Entries marked for deletion in the listed folder, the one question asked
// before such marks would be lost, and marks held as names for later.
#pragma once

#include <cstdint>

#include <QString>

#include "model/item_node.h"

class QWidget;

// Number of entries of the listed folder that carry ITEM_MARKED.
extern uint32_t markedCount;

// Asked before the listed place is left (another place, Refresh, the
// history, closing). With marks it asks the marks question; yes clears them.
// Returns true when leaving may go ahead.
bool ConfirmLeavePlace(QWidget* owner);

// Keeps the current place and the names of its marked entries (a Palm-size
// close, a low-memory request); a place kept earlier and not yet used stays.
void KeepPlaceMarks();

// Marks again, among the entries of the folder being listed, the first entry
// of each kept flagged name, then drops the names: they are used once.
void ReapplyFlaggedNames(ItemNode* entries, uint32_t count);

// Marks (CMD_DELETE) or unmarks (CMD_UNDELETE) the selected rows of the list;
// pane is the pane with the focus, and only the list's rows can be marked.
void MarkSelection(QWidget* pane, int commandId);
