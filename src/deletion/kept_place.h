// The place to reopen and the names of its entries to mark again there: kept
// by a Palm-size close or a low-memory request, restored at start-up, used by
// the next navigation to that place and the listing of its folder.
#pragma once

#include <cstdint>

#include "model/path_list.h"

// The place, or none; its owner frees it with FreePathList.
extern PathList* pendingPlace;
// The names, packed and NUL-separated (from SplitNameList), or none.
extern char16_t* flaggedNames;
extern uint32_t flaggedCount;

// Drops the place and its names: a stopped scan, a folder chosen while a scan
// runs, and start-up before the restore all discard them.
void DiscardKeptPlace();

// Drops the names only, keeping the place.
void DiscardFlaggedNames();
