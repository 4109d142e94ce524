#include "scan/compare_command.h"

#include <sys/stat.h>

#include <functional>
#include <string>
#include <thread>

#include <QAction>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>

#include "model/kept_scans.h"
#include "model/scan_file.h"
#include "platform/command_actions.h"
#include "platform/nested_loops.h"
#include "platform/owner_window.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "views/contents_list.h"
#include "views/list_model.h"
#include "views/place_comparison.h"
#include "views/status_bar.h"

namespace {

// The kept scans' menu items carry this name, so that a refill finds them.
const char KEPT_ITEM_NAME[] = "keptScanItem";

KeptScans WhereScansAreKept() {
    if (scanKeeper) return scanKeeper->Where();
    KeptScans kept;
    kept.folder = KeptScansFolder();
    return kept;
}

void ShowProblem(uint32_t stringId, const QString& detail) {
    ShowStringMessage(OwnerWindow(), stringId, StringText(STR_TITLE), QMessageBox::Ok, QMessageBox::Warning, detail);
}

// Whether path lies at or below top (host paths).
bool LiesWithin(const std::string& path, std::string top) {
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    if (path == top) return true;
    const std::string prefix = top == "/" ? top : top + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

// The rows point into the earlier tree: they go before it changes, and the
// place is listed again after.
void ListAgain(const std::function<void()>& change) {
    ItemNode* place = listedPlace;
    ClearListPane();
    change();
    // Without a comparison there is no Change column to sort by: back to
    // the contents' first order, largest first.
    if (!placeComparison && contentsSortColumn == LIST_CHANGE_COLUMN) {
        contentsSortColumn = 1;
        contentsSortReversed = false;
    }
    if (place) ListPlace(place);
    if (statusBar) statusBar->update();
    if (QAction* none = CommandAction(CMD_COMPARE_NONE)) none->setChecked(placeComparison == nullptr);
}

bool CanCompareNow() {
    return listedPlace && CanExportPlace(listedPlace) && scanState == SCAN_IDLE && !InsideNestedLoop();
}

}  // namespace

void FillCompareMenu(QMenu* menu) {
    for (QAction* old : menu->actions()) {
        if (old->objectName() == QLatin1String(KEPT_ITEM_NAME)) {
            menu->removeAction(old);
            delete old;
        }
    }
    if (QAction* none = CommandAction(CMD_COMPARE_NONE)) {
        none->setCheckable(true);
        none->setChecked(placeComparison == nullptr);
    }
    const bool possible = CanCompareNow();
    if (QAction* file = CommandAction(CMD_COMPARE_FILE)) file->setEnabled(possible);
    // The kept items stand between None and Scan File...
    QAction* before = CommandAction(CMD_COMPARE_FILE);
    if (!before || !menu->actions().contains(before)) before = nullptr;
    std::vector<KeptScan> scans;
    if (possible) scans = ListKeptScans(WhereScansAreKept(), ScannedHostPath(DriveOf(listedPlace)));
    if (scans.empty()) {
        QAction* item = new QAction(StringText(STR_NO_KEPT_SCANS), menu);
        item->setObjectName(QLatin1String(KEPT_ITEM_NAME));
        item->setEnabled(false);
        menu->insertAction(before, item);
        return;
    }
    for (const KeptScan& scan : scans) {
        const QString date =
            QDateTime::fromSecsSinceEpoch(scan.time).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QAction* item = new QAction(date, menu);
        item->setObjectName(QLatin1String(KEPT_ITEM_NAME));
        item->setCheckable(true);
        item->setChecked(placeComparison && placeComparison->fileName == scan.fileName);
        const QString fileName = QFile::decodeName(QByteArray::fromStdString(scan.fileName));
        const int64_t time = scan.time;
        QObject::connect(item, &QAction::triggered, item, [fileName, time] { CompareWithFile(fileName, time); });
        menu->insertAction(before, item);
    }
}

bool CompareWithFile(const QString& fileName, int64_t time) {
    if (!CanCompareNow()) return false;
    const std::string hostName = QFile::encodeName(fileName).toStdString();
    auto* contents = new ScanFileContents();
    std::string error;
    if (!ReadWhilePainting(hostName, contents, &error)) {
        delete contents;
        ShowProblem(STR_COMPARE_NOT_OPENED, QString::fromLocal8Bit(error.c_str()));
        return false;
    }
    const std::string placePath = ScannedHostPath(listedPlace);
    if (!LiesWithin(placePath, contents->rootPath)) {
        const QString detail = QString::fromLocal8Bit(contents->rootPath.c_str()) + u'\n' +
                               StringText(STR_COMPARE_PLACE_IS) + u'\n' + QString::fromLocal8Bit(placePath.c_str());
        FreeScanFile(contents);
        delete contents;
        ShowProblem(STR_COMPARE_OTHER_PLACE, detail);
        return false;
    }
    if (time == 0) time = contents->timestamp;
    struct stat facts;
    if (time == 0 && stat(hostName.c_str(), &facts) == 0) time = facts.st_mtime;
    ListAgain([&] { StartComparison(contents, hostName, time); });
    delete contents;
    return true;
}

void CompareWithFileCommand() {
    QString fileName = scanFileChooser ? scanFileChooser(false, QString()) : QString();
    if (!fileName.isEmpty()) CompareWithFile(fileName, 0);
}

void CompareNoneCommand() {
    if (!placeComparison) {
        if (QAction* none = CommandAction(CMD_COMPARE_NONE)) none->setChecked(true);
        return;
    }
    ListAgain(EndComparison);
}

void ForgetKeptScansCommand() {
    WaitForScanKeeper();
    std::string error;
    if (!ForgetKeptScans(WhereScansAreKept(), &error)) {
        ShowProblem(STR_KEPT_NOT_FORGOTTEN, QString::fromLocal8Bit(error.c_str()));
        return;
    }
    char16_t text[128];
    LoadStringText(STR_KEPT_FORGOTTEN, text, 128);
    ShowStatusNotice(text);
}
