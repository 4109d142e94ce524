#include "shell/device_integration.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "deletion/expunge.h"
#include "deletion/marks.h"
#include "platform/app_flags.h"
#include "platform/nested_loops.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "shell/main_window.h"
#include "shell/pane_layout.h"
#include "views/contents_list.h"

namespace {

const DeviceBinding* installedBinding = nullptr;
bool (*sipQuery)(QRect*) = nullptr;
uint8_t (*appKeyQuery)() = nullptr;
uint8_t appKey = 0;
bool hotKeyBound = false;
bool sipFitDeferred = false;
QTimer* holdTimer = nullptr;

// The program is in front when its main window, or a window it owns (a
// dialog, the pie chart pop-up), is the active one.
bool ProgramActive() {
    for (QWidget* window = QApplication::activeWindow(); window; window = window->parentWidget()) {
        if (window == mainWindow) return true;
    }
    return false;
}

bool AppKeyDown() {
    return appKey != 0 && installedBinding && installedBinding->isKeyDown && installedBinding->isKeyDown(appKey);
}

void StartHoldTimer() {
    if (!holdTimer) {
        holdTimer = new QTimer(qApp);
        holdTimer->setSingleShot(true);
        QObject::connect(holdTimer, &QTimer::timeout, [] { OnAppKeyHoldTimer(); });
    }
    holdTimer->start(APPKEY_HOLD_MS);
}

void StopHoldTimer() {
    if (holdTimer) holdTimer->stop();
}

// Receives the monitor's signal; a slot is what the bus connects to.
class LowMemoryListener : public QObject {
    Q_OBJECT
public slots:
    void warning(uchar) { OnLowMemory(); }
};

}  // namespace

void SetDeviceBinding(const DeviceBinding* binding) {
    installedBinding = binding;
    sipQuery = nullptr;
    appKeyQuery = nullptr;
    appKey = 0;
    hotKeyBound = false;
    sipFitDeferred = false;
    StopHoldTimer();
}

void BindSipFunctions() { sipQuery = installedBinding ? installedBinding->sipQuery : nullptr; }

void BindAppKeyFunction() { appKeyQuery = installedBinding ? installedBinding->appKeyQuery : nullptr; }

void ReleaseDeviceFunctions() {
    sipQuery = nullptr;
    appKeyQuery = nullptr;
}

uint8_t QueryAppKey() { return appKeyQuery ? appKeyQuery() : 0; }

void BindAppHotKey() {
    appKey = QueryAppKey();
    if (appKey == 0) return;
    hotKeyBound = installedBinding && installedBinding->bindHotKey && installedBinding->bindHotKey(appKey);
    if (!hotKeyBound) return;
    if (AppKeyDown()) StartHoldTimer();
}

void FitWindowToSip() {
    QRect desk;
    if (!sipQuery || !mainWindow || !sipQuery(&desk)) return;
    QRect frame = mainWindow->frameGeometry();
    if (frame == desk) return;
    // The desk is for the whole window, its frame included.
    QRect client = mainWindow->geometry();
    QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                     frame.bottom() - client.bottom());
    mainWindow->setGeometry(desk.marginsRemoved(margins));
    mainWindow->update();
}

void OnSettingChanged(int code) {
    if (code == SETTING_SIP_INFO || code == SETTING_CURRENT_IM) {
        if (ProgramActive())
            FitWindowToSip();
        else
            sipFitDeferred = true;
    } else if (code == SETTING_APP_BUTTONS) {
        if (hotKeyBound) {
            if (installedBinding && installedBinding->unbindHotKey) installedBinding->unbindHotKey();
            hotKeyBound = false;
        }
        BindAppHotKey();
    }
}

void OnMainWindowFocused() {
    if (!sipFitDeferred) return;
    sipFitDeferred = false;
    FitWindowToSip();
}

void OnHotKey() {
    StopHoldTimer();
    if (ProgramActive()) {
        const bool leaving = appFlags & APP_FULLSCREEN;
        QWidget* other = ToggleFullScreen();
        // Leaving full screen moves the focus to the pane that was hidden.
        if (leaving && other) {
            NoteFocusPane(other);
            other->setFocus(Qt::OtherFocusReason);
        }
    } else {
        BringMainWindowToFront();
    }
    if (hotKeyBound && AppKeyDown()) StartHoldTimer();
}

void OnAppKeyHoldTimer() {
    StopHoldTimer();
    if (!hotKeyBound || !AppKeyDown() || scanState != SCAN_IDLE) return;
    RefreshCommand();
}

void OnMainWindowActivated() { ReopenKeptPlace(); }

void OnLowMemory() {
    // Only a program in the background gives its tree up, and never while an
    // expunge walks it or a modal window or a wait holds rows and items
    // across its loop; a running scan is stopped first by the discard.
    if (ProgramActive() || ExpungeRunning() || InsideNestedLoop()) return;
    if (listPane) listPane->setUpdatesEnabled(false);
    if (treePane) treePane->setUpdatesEnabled(false);
    KeepPlaceMarks();
    RebuildAll();
    if (focusPane == treePane) NoteFocusPane(nullptr);
    if (listPane) listPane->setUpdatesEnabled(true);
    if (treePane) treePane->setUpdatesEnabled(true);
}

bool WatchLowMemoryMonitor() {
    static LowMemoryListener* listener = nullptr;
    if (listener) return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return false;
    listener = new LowMemoryListener();
    listener->setParent(qApp);
    return bus.connect(QStringLiteral("org.freedesktop.LowMemoryMonitor"),
                       QStringLiteral("/org/freedesktop/LowMemoryMonitor"),
                       QStringLiteral("org.freedesktop.LowMemoryMonitor"), QStringLiteral("LowMemoryWarning"),
                       listener, SLOT(warning(uchar)));
}

bool AppKeyHoldTimerRunning() { return holdTimer && holdTimer->isActive(); }

#include "device_integration.moc"
