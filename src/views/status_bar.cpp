#include "views/status_bar.h"

#include <QLabel>
#include <QStatusBar>

#include "model/item_tree.h"

StatusPartInfo statusPart0 = {STATUS_NONE, nullptr, 0};
StatusPartInfo statusPart1 = {STATUS_NONE, nullptr, 0};
QWidget* statusBar = nullptr;

QWidget* CreateStatusBar(QWidget* parent) {
    QStatusBar* bar = new QStatusBar(parent);
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    return bar;
}

// Placeholders until the owner-drawn parts exist: the records are kept, the
// bar shows nothing of them yet.
void SetupStatusParts() {}

void ShowPlaceStatus(int kind, ItemNode* item, uint64_t value) {
    statusPart0 = {kind, item, value};
    if (ItemNode* drive = DriveOf(item)) statusPart1 = {STATUS_DRIVE_FREE, drive, 0};
}

void ShowFolderStatus(ItemNode* item, uint64_t listedTotal) { ShowPlaceStatus(STATUS_FOLDER, item, listedTotal); }

void ShowPendingStatus(ItemNode* item) { ShowPlaceStatus(STATUS_PENDING, item, 0); }

void ShowRootStatus() {
    statusPart0 = {STATUS_ROOT, rootItem, 0};
    statusPart1 = {STATUS_NONE, nullptr, 0};
}

void ClearStatusParts() {
    statusPart0.kind = STATUS_NONE;
    statusPart1.kind = STATUS_NONE;
}

ItemNode* DriveOf(ItemNode* item) {
    for (ItemNode* at = item; at && at != rootItem; at = at->parent) {
        if (at->flags & ITEM_DRIVE) return at;
    }
    return nullptr;
}

void SetStatusSimple(bool) {}
void SetStatusSimpleText(const char16_t*) {}
void SetStatusProgress(int) {}
QString StatusPartText(int) { return QString(); }
