#include "shell/startup.h"

#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QMetaObject>
#include <QTimer>

#include "deletion/marks.h"
#include "model/file_drives.h"
#include "model/item_tree.h"
#include "scan/history.h"
#include "scan/item_tree_owner.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "shell/accelerators.h"
#include "shell/command_bands.h"
#include "shell/device_integration.h"
#include "shell/main_window.h"
#include "shell/pane_layout.h"
#include "platform/platform_kind.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "shell/settings_store.h"
#include "shell/single_instance.h"
#include "views/list_columns.h"
#include "views/image_list.h"
#include "views/place_comparison.h"
#include "views/type_cache.h"


namespace {

constexpr int PLATFORM_TEXT_CHARS = 64;

// Keeps the window's complete scans in the user's state folder.
std::unique_ptr<ScanKeeper> keeper;

// A close that was accepted skips the question when the window then closes.
bool closeAccepted = false;

}  // namespace

bool StartUp(PathList* startPlace, const std::vector<std::string>& scanFiles) {
    LoadResourceModule(QCoreApplication::applicationDirPath() + QStringLiteral("/vmetra.rcc"));
    if (!History(HISTORY_CREATE, nullptr, 0)) {
        FreePathList(startPlace);
        return false;
    }

    LoadStringText(STR_TITLE, titleText, TITLE_TEXT_CHARS);
    LoadStringText(STR_DATABASE_FOLDER, databaseFolderName, DATABASE_NAME_CHARS);
    LoadStringText(STR_SCAN_STOPPED, stopText, STOP_TEXT_CHARS);

    char16_t platformText[PLATFORM_TEXT_CHARS];
    PlatformTypeText(platformText, PLATFORM_TEXT_CHARS);
    platformKind = PlatformKindFromText(platformText);

    // A Palm-size device keeps one instance: a second start shows the first.
    QString title = QString::fromUtf16(titleText);
    if (platformKind == PLATFORM_PALMSIZE) {
        if (ActivateRunningInstance(title)) {
            FreePathList(startPlace);
            return false;
        }
        ListenForInstances(title, BringMainWindowToFront);
        BindSipFunctions();
        BindAppKeyFunction();
    }

    LoadSettings();
    KeptScans kept;
    kept.folder = KeptScansFolder();
    keeper = std::make_unique<ScanKeeper>(kept);
    scanKeeper = keeper.get();
    // A folder named on the command line goes ahead of the restored place,
    // and the names flagged there belong to that other place.
    if (startPlace) {
        DiscardKeptPlace();
        pendingPlace = startPlace;
    }
    if (!scanFiles.empty()) DiscardKeptPlace();
    orientation = settingsBlob.leftRight ? 1 : 0;
    appFlags = 0;
    closeAccepted = false;

    // The loop ends when the window's destruction has saved everything, not
    // when the window merely closes.
    QApplication::setQuitOnLastWindowClosed(false);
    mainWindow = new MainWindow();
    mainWindow->show();

    BindAppHotKey();
    WatchLowMemoryMonitor();
    InstallAccelerators();
    if (!scanFiles.empty()) {
        QStringList files;
        for (const std::string& scanFile : scanFiles) files.append(QFile::decodeName(QByteArray::fromStdString(scanFile)));
        // Each file a drive of its own; the window goes to the last.
        QTimer::singleShot(0, mainWindow, [files] {
            for (qsizetype i = 0; i < files.size(); ++i) OpenScanAsDrive(files[i], i + 1 == files.size());
        });
    }
    return true;
}

int RunVolumetra(PathList* startPlace, const std::vector<std::string>& scanFiles) {
    if (!StartUp(startPlace, scanFiles)) return 0;
    int code = QApplication::exec();
    ReleaseAfterLoop();
    return code;
}

bool OnCloseRequest() {
    if (closeAccepted) return true;
    if (platformKind == PLATFORM_PALMSIZE) {
        KeepPlaceMarks();
        markedCount = 0;
        return true;
    }
    return ConfirmLeavePlace(mainWindow);
}

void CloseCommand() {
    if (!mainWindow || !ConfirmLeavePlace(mainWindow)) return;
    closeAccepted = true;
    mainWindow->close();
}

void QuitCommand() {
    if (platformKind != PLATFORM_PALMSIZE || !mainWindow) return;
    QMetaObject::invokeMethod(mainWindow, "close", Qt::QueuedConnection);
}

void OnMainWindowDestroyed() {
    settingsBlob.toolBandRestore.size = BAND_RESTORE_SIZE;
    settingsBlob.menuBandRestore.size = BAND_RESTORE_SIZE;
    GetBandRestore(BAND_MENU, &settingsBlob.menuBandRestore);
    GetBandRestore(BAND_TOOLS, &settingsBlob.toolBandRestore);
    DestroyCommandBands();
    SaveColumnLayout();
    SaveSettings();
    // The list's rows borrow type texts and the scan may still insert tree
    // nodes while DiscardItemTree waits for it: the caches go after the tree.
    DiscardItemTree();
    // The comparison's own tree goes with the rows that pointed into it.
    EndComparison();
    scanKeeper = nullptr;
    keeper.reset();
    ForgetFileDrives();
    ClearTypeCache();
    DestroySmallImageList();
    RemoveAccelerators();
    QCoreApplication::exit(0);
}

void ReleaseAfterLoop() {
    ReleaseDeviceFunctions();
    StopListeningForInstances();
    ReleaseResourceModule();
    History(HISTORY_DESTROY, nullptr, 0);
}
