// Process start-up, the close request, the shutdown of the main window and
// the release after the event loop.
#pragma once

#include <cstdint>

enum AppFlags : uint32_t {
    APP_FULLSCREEN = 0x1,
    APP_PIE_POPUP = 0x2,
    APP_HISTORY_NAV = 0x10,
};

extern uint32_t appFlags;

constexpr int TITLE_TEXT_CHARS = 20;
constexpr int STOP_TEXT_CHARS = 64;

// String 1: the caption of the main window and the name of the single
// instance; string 40021: what a stopped scan shows.
extern char16_t titleText[TITLE_TEXT_CHARS];
extern char16_t stopText[STOP_TEXT_CHARS];

// Brings the program up: resource module, texts, platform kind, the single
// instance on a Palm-size device, the settings, the main window (shown) and
// the accelerators. False when start-up ended without a window (another
// instance was brought to the front); the program then exits with 0.
bool StartUp();

// Start-up, the event loop and the release after it; the exit code.
int RunVolumetra();

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
