// Entries marked for deletion in the listed folder, and the one question
// asked before such marks would be lost.
#pragma once

#include <cstdint>

#include <QString>

#include "model/item_node.h"

class QWidget;

// Number of entries of the listed folder that carry ITEM_MARKED.
extern uint32_t markedCount;

// Asked before the listed place is left (another place, Refresh, the
// history, closing). Returns true when leaving may go ahead.
bool ConfirmLeavePlace(QWidget* owner);

// Keeps the current place and the names of its marked entries for the next
// start (a Palm-size close, a low-memory request).
void KeepPlaceMarks();

// Marks again, among the entries of the folder being listed, the first entry
// of each kept flagged name, then drops the names: they are used once.
void ReapplyFlaggedNames(ItemNode* entries, uint32_t count);

// A message box owned by owner with string id of the resource module as its
// text; returns the button chosen.
int ShowStringMessage(QWidget* owner, uint32_t stringId, const QString& caption, int buttons, int icon);

// Marks (CMD_DELETE) or unmarks (CMD_UNDELETE) the selected entries of pane.
void MarkSelection(QWidget* pane, int commandId);
