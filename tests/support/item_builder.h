// Item trees built in memory, for tests and benchmarks that need a tree of a
// given shape without a file system under it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/item_node.h"

struct ChildShape {
    std::u16string name;
    uint64_t size;   // own bytes, both counts alike
    uint32_t flags;  // ITEM_FOLDER for a folder, 0 for a file
};

// A place of its own: a one-record block holding a scanned folder named
// name. Free it with FreeBuiltPlace.
ItemNode* NewBuiltPlace(const std::u16string& name);
void FreeBuiltPlace(ItemNode* place);

// Gives folder its children, one block as the scan makes them; returns the
// block. Totals are not counted: call ComputeTotals on the place at the end.
ItemNode* AddBuiltChildren(ItemNode* folder, const std::vector<ChildShape>& shapes);
