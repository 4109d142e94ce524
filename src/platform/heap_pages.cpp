// The main heap is the one glibc grows with brk; other threads' arenas are
// mappings of their own, which this leaves as they are.
#include "platform/heap_pages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the heap grows by at the least: several huge pages, so most of each
// stretch is whole huge pages. It is also what stays on the heap's top when
// it shrinks again.
constexpr int HEAP_GROWTH_STEP = 16 << 20;

}  // namespace

void StartHeapGrowth(HeapGrowth* growth) {
    mallopt(M_TOP_PAD, HEAP_GROWTH_STEP);
    growth->end = reinterpret_cast<uintptr_t>(sbrk(0));
}

void FollowHeapGrowth(HeapGrowth* growth) {
    uintptr_t end = reinterpret_cast<uintptr_t>(sbrk(0));
    if (end <= growth->end) {
        growth->end = end;
        return;
    }
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    uintptr_t from = (growth->end + page - 1) & ~(page - 1);
    // Failing advice only leaves the pages small.
    if (end > from) madvise(reinterpret_cast<void*>(from), end - from, MADV_HUGEPAGE);
    growth->end = end;
}
