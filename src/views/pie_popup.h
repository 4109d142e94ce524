// The pop-up window "Pie Chart" that shows the pie chart of the listed
// folder: the first eight rows of the list against the listed total. The
// command that opens it is on only while the list shows a folder's contents
// largest first.
#pragma once

#include <cstdint>

#include <QPoint>

class QWidget;

// The one chart window (control 40024), made with the main window and
// hidden; it sits in the pop-up while the pop-up is open.
extern QWidget* pieWindow;
// The pop-up, or none while it is closed.
extern QWidget* piePopup;
// Where the pop-up's top-left corner was when it last closed; both -999
// until it has been placed. Kept for the run only.
extern int piePopupX;
extern int piePopupY;

constexpr int PIE_CONTROL_ID = 40024;
constexpr int PIE_NOT_PLACED = -999;
constexpr int PIE_SLICES_SHOWN = 8;

// Creates the chart window as a hidden child of owner.
void CreatePieWindow(QWidget* owner);

// CMD_PIE_CHART: closes the pop-up when it is open, opens it otherwise.
// paneCorner is the pane area's lower-right corner on the screen, where the
// pop-up's lower-right corner goes the first time it opens.
void PieChartCommand(QWidget* owner, QPoint paneCorner);

// Opens the pop-up (nothing when it is open), fed from the list.
void OpenPiePopup(QWidget* owner, QPoint paneCorner);

// Closes the pop-up if it is open; its position is kept.
void ClosePiePopup();

// Makes the chart show the first eight rows of the list against total and
// redraws it; its accessible description names each slice with its share.
void ReloadPieChart(uint64_t total);

// Enables or disables CMD_PIE_CHART; disabling closes the pop-up.
void SetPieCommandEnabled(bool on);

// Forgets the chart window and the pop-up; the main window destroys them.
void ForgetPieWindows();
