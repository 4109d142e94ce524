#include "scan/scan_files.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <string>
#include <thread>
#include <unordered_map>

#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QTreeWidget>

#include "model/file_drives.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_file.h"
#include "model/text.h"
#include "platform/command_actions.h"
#include "platform/host_device.h"
#include "platform/host_names.h"
#include "platform/nested_loops.h"
#include "platform/owner_window.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "resources/version.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"

ScanFileChooser scanFileChooser = ChooseScanFileWithDialog;

namespace {

// The links each scanned drive met, by drive.
std::unordered_map<const ItemNode*, std::vector<HardLink>> keptLinks;

std::string HostName(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

void ShowFailure(uint32_t stringId, const std::string& reason) {
    ShowStringMessage(OwnerWindow(), stringId, StringText(STR_TITLE), QMessageBox::Ok, QMessageBox::Critical,
                      QString::fromLocal8Bit(reason));
}


// The drive's name: the scanned path, told apart from a drive of that name
// already there.
std::u16string DriveNameFor(const std::string& rootPath) {
    std::vector<char16_t> decoded;
    DecodeHostName(rootPath.data(), rootPath.size(), &decoded);
    std::u16string base(decoded.begin(), decoded.end());
    if (base.empty()) base = u"?";
    std::u16string name = base;
    for (int copy = 2; rootItem && FindChildByName(rootItem, name.c_str()); ++copy)
        name = base + u" (" + QString::number(copy).toStdU16String() + u")";
    return name;
}

}  // namespace

bool ReadWhilePainting(const std::string& fileName, ScanFileContents* contents, std::string* error) {
    QEventLoop wait;
    bool read = false;
    std::thread reader([&] {
        read = OpenScanFile(fileName, contents, error);
        QMetaObject::invokeMethod(&wait, "quit", Qt::QueuedConnection);
    });
    {
        NestedLoop loop;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::restoreOverrideCursor();
    }
    reader.join();
    return read;
}

std::string ScannedHostPath(const ItemNode* place) {
    const ItemNode* drive = DriveOf(const_cast<ItemNode*>(place));
    std::string top;
    if (const FileDrive* file = FileDriveOf(drive)) {
        top = file->rootPath;
    } else {
        char16_t path[PATH_CHARS];
        if (!ItemPath(path, PATH_CHARS, drive)) return std::string();
        auto* host = dynamic_cast<HostDevice*>(Device());
        if (!host || !host->HostPath(path, &top)) EncodeHostPath(path, TextLength(path), &top);
    }
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    return HostPathBelow(place, drive, top);
}

void KeepHardLinks(const ItemNode* drive, const std::vector<HardLink>& links) {
    if (links.empty())
        keptLinks.erase(drive);
    else
        keptLinks[drive] = links;
}

void DropKeptHardLinks() { keptLinks.clear(); }

const std::vector<HardLink>* KeptHardLinks(const ItemNode* drive) {
    auto kept = keptLinks.find(drive);
    return kept == keptLinks.end() ? nullptr : &kept->second;
}

void FileDriveRead(ItemNode* drive, const std::string& failure) {
    FileDrive* file = FileDriveOf(drive);
    if (!file) return;
    file->failure = failure;
    if (!failure.empty()) {
        drive->flags |= ITEM_UNREADABLE;
        drive->readError = EINVAL;
    } else {
        drive->flags &= ~ITEM_UNREADABLE;
        struct stat facts;
        if (stat(file->fileName.c_str(), &facts) == 0) file->fileTime = facts.st_mtime;
    }
    QueryDriveSpace(drive);
}

QString ChooseScanFileWithDialog(bool forExport, const QString& suggested) {
    const QString filter = StringText(STR_SCAN_FILE_FILTER);
    NestedLoop loop;
    return forExport ? QFileDialog::getSaveFileName(OwnerWindow(), StringText(STR_EXPORT_SCAN_TITLE), suggested, filter)
                     : QFileDialog::getOpenFileName(OwnerWindow(), StringText(STR_OPEN_SCAN_TITLE), QString(), filter);
}

void OpenScanCommand() {
    QString fileName = scanFileChooser ? scanFileChooser(false, QString()) : QString();
    if (!fileName.isEmpty()) OpenScanAsDrive(fileName);
}

bool OpenScanAsDrive(const QString& fileName, bool go) {
    // A scan writes the tree and a modal window holds rows: both wait.
    if (!rootItem || scanState != SCAN_IDLE || InsideNestedLoop()) return false;
    auto* contents = new ScanFileContents();
    std::string error;
    const std::string hostName = HostName(fileName);
    if (!ReadWhilePainting(hostName, contents, &error)) {
        delete contents;
        ShowFailure(STR_SCAN_FILE_NOT_OPENED, error);
        return false;
    }
    auto* file = new FileDrive();
    file->fileName = hostName;
    file->rootPath = contents->rootPath;
    file->name = DriveNameFor(contents->rootPath);
    file->scanTime = contents->timestamp;
    struct stat facts;
    file->fileTime = stat(hostName.c_str(), &facts) == 0 ? facts.st_mtime : std::time(nullptr);
    file->pending = contents;
    // The root's block gains a drive: the treemap of the drives lets go.
    TreemapHold hold;
    ItemNode* drive = AttachFileDrive(rootItem, file);
    if (!drive) {
        ShowFailure(STR_NO_SCAN_FILE_SLOT, std::string());
        return false;
    }
    QTreeWidgetItem* node = InsertTreeItem(drive, TreeRootNode());
    if (listedPlace == rootItem) ListPlace(rootItem);
    // Going there lists it, which reads what opening read into the drive.
    if (go && node && treePane) treePane->setCurrentItem(node);
    return true;
}

bool CanExportPlace(const ItemNode* place) {
    return place && !(place->flags & ITEM_ROOT) && (place->flags & ITEM_SCANNED) &&
           (place->flags & (ITEM_DRIVE | ITEM_FOLDER)) && !(place->flags & ITEM_DATABASE);
}

void ExportScanCommand() {
    ItemNode* place = listedPlace;
    if (!CanExportPlace(place) || scanState != SCAN_IDLE) return;
    QString fileName = scanFileChooser ? scanFileChooser(true, QStringLiteral("scan.json")) : QString();
    if (!fileName.isEmpty()) ExportPlace(place, fileName);
}

bool ExportPlace(const ItemNode* place, const QString& fileName) {
    ScanFileSource source;
    source.top = place;
    source.rootPath = ScannedHostPath(place);
    auto kept = keptLinks.find(DriveOf(const_cast<ItemNode*>(place)));
    if (kept != keptLinks.end()) source.hardLinks = &kept->second;
    source.progver = VOLUMETRA_VERSION;
    source.timestamp = static_cast<int64_t>(std::time(nullptr));
    std::string error;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    bool written = ExportScanFile(HostName(fileName), source, &error);
    QGuiApplication::restoreOverrideCursor();
    if (!written) ShowFailure(STR_SCAN_NOT_EXPORTED, error);
    return written;
}
