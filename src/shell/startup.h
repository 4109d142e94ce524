// Process start-up, the close request, the shutdown of the main window and
// the release after the event loop.
#pragma once

#include <string>
#include <vector>

#include "platform/app_flags.h"
#include "resources/app_texts.h"

struct PathList;

// Brings the program up: resource module, texts, platform kind, the single
// instance on a Palm-size device, the settings, the main window (shown) and
// the accelerators. startPlace (the folder named on the command line, or
// none) is taken over: it replaces the restored place and drops that place's
// flagged names, so the window opens there. False when start-up ended
// without a window (another instance was brought to the front, or the
// history could not be made); the program then exits with 0. Scan files
// (host bytes) named on the command line are opened as drives of their own
// once the window is up, in place of the restored place; the window goes to
// the last one.
bool StartUp(PathList* startPlace = nullptr, const std::vector<std::string>& scanFiles = {});

// Start-up, the event loop and the release after it; the exit code.
int RunVolumetra(PathList* startPlace = nullptr, const std::vector<std::string>& scanFiles = {});

// The close request of the main window: true when it may be destroyed.
// On a Palm-size device the place and its marks are kept for the next start
// and nothing is asked; elsewhere the marks question decides.
bool OnCloseRequest();

// Destruction of the main window: band restore records into the settings,
// the bands destroyed, the settings written, the item tree freed, the event
// loop ended with 0.
void OnMainWindowDestroyed();

// After the event loop: releases the resource module and the single
// instance.
void ReleaseAfterLoop();

// CMD_CLOSE: the marks question, then the window is destroyed, on every platform.
void CloseCommand();

// CMD_QUIT: on a Palm-size device a close request; elsewhere nothing.
void QuitCommand();
