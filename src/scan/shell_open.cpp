#include "scan/shell_open.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <string>

#include "model/path_list.h"
#include "platform/host_device.h"
#include "platform/storage_device.h"
#include "model/file_drives.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/scan_control.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

ShellOpener shellOpener = OpenPathWithDesktop;

QUrl HostFileUrl(const char16_t* path) {
    HostDevice* host = dynamic_cast<HostDevice*>(Device());
    std::string hostPath;
    if (!host || !host->HostPath(path, &hostPath)) return QUrl();
    return QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(hostPath)));
}

bool OpenPathWithDesktop(const char16_t* path) {
    QUrl url = HostFileUrl(path);
    return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}

void OpenWithShell(const ItemNode* item) {
    if (!item || !item->parent || !shellOpener) return;
    // An entry read from a scan file is not on this machine: a file of the
    // same path here would be another one.
    if (IsFromScanFile(item)) {
        ShowStatusNotice(StringText(STR_NOT_ON_THIS_MACHINE).toStdU16String().c_str());
        return;
    }
    // A path that does not fit would come out cut short, naming another file.
    if (ItemPathLength(item) >= PATH_CHARS) {
        ShowStatusNotice(StringText(STR_PATH_TOO_DEEP).toStdU16String().c_str());
        return;
    }
    char16_t path[PATH_CHARS];
    if (!ItemPath(path, PATH_CHARS, item)) return;
    shellOpener(path);
}
