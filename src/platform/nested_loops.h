// The loops the program runs inside its own work: a modal window's, or a
// wait that processes events. The work around such a loop may hold rows or
// items across it, so nothing that frees the item tree (the low-memory
// request, Refresh) may run while one is under way: it is refused, as it is
// while the program is active.
#pragma once

// Held for the length of one such loop.
class NestedLoop {
public:
    NestedLoop();
    ~NestedLoop();
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;
};

// Whether such a loop runs now, or any modal window of the program is open.
bool InsideNestedLoop();
