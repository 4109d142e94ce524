// What the program does with a handheld's device facilities, behind
// stand-ins: the soft input panel (the window keeps to the visible desk), the
// program's hardware key (full screen, bring to front, hold to refresh), and
// the system's low-memory request in the background (the scanned tree is
// given up, the place and its marks kept). On a desktop the input panel and
// the key report nothing bound; the low-memory request comes from the
// freedesktop low-memory monitor where that service runs.
#pragma once

#include <cstdint>

#include <QRect>

// The platform functions the program binds on a Palm-size device. Any of
// them may be none: that feature is then off.
struct DeviceBinding {
    bool (*sipQuery)(QRect* visibleDesk);  // the part of the screen left visible
    uint8_t (*appKeyQuery)();              // the key assigned to the program; 0 none
    bool (*isKeyDown)(uint8_t key);
    bool (*bindHotKey)(uint8_t key);       // false when the platform refuses it
    void (*unbindHotKey)();
};

// Setting-change codes the program answers.
enum SettingCode : int {
    SETTING_SIP_INFO = 224,
    SETTING_CURRENT_IM = 226,
    SETTING_APP_BUTTONS = 228,
};

constexpr int APPKEY_HOLD_MS = 1000;

// Installs the platform's functions (tests install a stand-in); none, the
// desktop's case, binds nothing.
void SetDeviceBinding(const DeviceBinding* binding);

// Start-up on a Palm-size device: take the input-panel and key functions of
// the installed binding.
void BindSipFunctions();
void BindAppKeyFunction();
void ReleaseDeviceFunctions();

// The key assigned to the program, 0 when none or nothing is bound.
uint8_t QueryAppKey();

// Binds the program's key as its hot key and starts the hold timer when the
// key is down already.
void BindAppHotKey();

// Moves the main window onto the visible desk when it is not there.
void FitWindowToSip();

// Handlers of the main window's events.
void OnSettingChanged(int code);
void OnMainWindowFocused();
void OnHotKey();
void OnAppKeyHoldTimer();
void OnMainWindowActivated();
void OnLowMemory();

// Listens for the low-memory monitor's warning on the system bus; false when
// the bus or the service is not there (the program works the same).
bool WatchLowMemoryMonitor();

// Whether the hold timer runs; for tests.
bool AppKeyHoldTimerRunning();
