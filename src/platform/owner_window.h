// The window that owns messages and questions: the main window while it
// exists. The shell registers it; every other part only asks for it.
#pragma once

class QWidget;

QWidget* OwnerWindow();
void SetOwnerWindow(QWidget* window);
