// The accelerator table 107: keys that become commands before the focused
// pane sees them (Ctrl+A, Ctrl+Q, Esc, Alt+Enter).
#pragma once

#include <QKeySequence>

// Loads the table and starts translating the main window's keys.
void InstallAccelerators();
void RemoveAccelerators();

// The command of a key combination, 0 when the table has none.
int AcceleratorCommand(const QKeyCombination& keys);
