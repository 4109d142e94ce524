// The places the user has left, for Go backward and Go forward: a ring of
// 20 path texts. It holds texts only, never pointers into the item tree, so
// it survives Refresh.
#pragma once

#include <cstdint>

#include "model/item_node.h"

struct PathList;

enum HistoryOp {
    HISTORY_CREATE = 0,
    HISTORY_DESTROY = 1,
    HISTORY_STORE = 2,        // replace the current slot's text
    HISTORY_PUSH = 3,         // store, then advance; drops what lies ahead
    HISTORY_BACK = 4,         // step back and hand out that slot's text
    HISTORY_FORWARD = 5,      // step forward and hand out that slot's text
    HISTORY_CAN_BACK = 6,
    HISTORY_CAN_FORWARD = 7,
};

constexpr int HISTORY_SLOTS = 20;

// Slot indices wrap modulo HISTORY_SLOTS. Going back is possible exactly when
// oldest differs from current, going forward when newest differs from
// current.
struct HistoryRing {
    int32_t oldest;
    int32_t newest;
    int32_t current;
    // Owned copies of path texts, one per slot; none when empty.
    char16_t* texts[HISTORY_SLOTS];
};

// None before HISTORY_CREATE and after HISTORY_DESTROY.
extern HistoryRing* historyRing;

// One operation on the ring. pointer is the text to copy (STORE, PUSH, with
// byteLength its size in bytes, NUL included) or, for BACK and FORWARD, a
// const char16_t** that receives the slot's text (still owned by the ring).
// Returns false when the operation could not be done (no ring, no memory,
// nothing to go back or forward to) or answers no.
bool History(int op, void* pointer, uint32_t byteLength);

// Records the place item shows (HISTORY_PUSH or HISTORY_STORE): the focused
// entry of the list when the list shows item, else item's folder path.
// Nothing while a history navigation runs.
void RecordPlace(ItemNode* item, int op);

// CMD_GO_BACKWARD and CMD_GO_FORWARD.
void OnHistoryCommand(int commandId);

// Goes to place (taken over) for commandId without recording it, and sets
// the two commands.
void NavigateHistory(PathList* place, int commandId);

// Sets Go backward from the ring and turns Go forward off: after a place
// was pushed nothing lies ahead.
void EnableHistoryAfterPush();
