// Big trees are built on the program's main heap, which the C library
// grows a stretch at a time; left alone, the kernel then faults each new
// 4 KiB page in by itself, which costs as much as building the tree. A
// builder that follows the heap's growth has each new stretch backed by
// huge pages instead, so one fault brings in 2 MiB.
#pragma once

#include <cstdint>

struct HeapGrowth {
    uintptr_t end = 0;  // the heap's end when last looked at
};

// Starts following: from now on the heap grows by at least
// HEAP_GROWTH_STEP bytes at a time.
void StartHeapGrowth(HeapGrowth* growth);

// Advises what the heap has grown by since the last look; cheap enough to
// call after every allocation of a block.
void FollowHeapGrowth(HeapGrowth* growth);
