// Entries marked for deletion in the listed folder, and the one question
// asked before such marks would be lost.
#pragma once

#include <cstdint>

class QWidget;

// Number of entries of the listed folder that carry ITEM_MARKED.
extern uint32_t markedCount;

// Asked before the listed place is left (another place, Refresh, the
// history, closing). Returns true when leaving may go ahead.
bool ConfirmLeavePlace(QWidget* owner);

// Keeps the current place and the names of its marked entries for the next
// start (a Palm-size close, a low-memory request).
void KeepPlaceMarks();

// Marks (CMD_DELETE) or unmarks (CMD_UNDELETE) the selected entries of pane.
void MarkSelection(QWidget* pane, int commandId);
