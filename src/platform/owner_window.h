// The window that owns messages and questions: the main window while it
// exists. The shell registers it; every other part only asks for it.
#pragma once

#include <cstdint>

#include <QString>

class QWidget;

QWidget* OwnerWindow();
void SetOwnerWindow(QWidget* window);

// A message box owned by owner with string id of the resource module as its
// text, caption as its title, and detail (the system's reason, say) below
// the text when there is one; buttons and icon as QMessageBox takes them.
// Runs as a nested loop. Returns the button chosen.
int ShowStringMessage(QWidget* owner, uint32_t stringId, const QString& caption, int buttons, int icon,
                      const QString& detail = QString());
