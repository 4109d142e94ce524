#include "platform/nested_loops.h"

#include <QApplication>

namespace {
// User-interface thread only.
int nestedLoops = 0;
}  // namespace

NestedLoop::NestedLoop() { ++nestedLoops; }

NestedLoop::~NestedLoop() { --nestedLoops; }

bool InsideNestedLoop() { return nestedLoops > 0 || QApplication::activeModalWidget() != nullptr; }
