#include "platform/owner_window.h"

namespace {
QWidget* ownerWindow = nullptr;
}

QWidget* OwnerWindow() { return ownerWindow; }

void SetOwnerWindow(QWidget* window) { ownerWindow = window; }
