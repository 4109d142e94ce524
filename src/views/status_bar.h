// The status bar (control 902) with its three parts: the place, the free
// space of its drive, and the number of drives.
#pragma once

class QLabel;
class QStatusBar;
class QWidget;

constexpr int STATUS_PART_COUNT = 3;

extern QStatusBar* statusBar;
extern QLabel* statusParts[STATUS_PART_COUNT];

// Creates the status bar as a child of parent and sets up its parts.
QStatusBar* CreateStatusBar(QWidget* parent);
void SetupStatusParts();

// Makes both place parts show nothing; done before the items they describe
// are freed.
void ClearStatusParts();
