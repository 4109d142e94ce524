#include "views/status_bar.h"

#include <QLabel>
#include <QStatusBar>

QStatusBar* statusBar = nullptr;
QLabel* statusParts[STATUS_PART_COUNT] = {};

QStatusBar* CreateStatusBar(QWidget* parent) {
    QStatusBar* bar = new QStatusBar(parent);
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(false);
    return bar;
}

void SetupStatusParts() {
    if (!statusBar) return;
    // The place takes the room the free space and the drive count leave.
    static const char* const PART_NAMES[STATUS_PART_COUNT] = {"Place", "Free space", "Drives"};
    for (int i = 0; i < STATUS_PART_COUNT; ++i) {
        QLabel* part = new QLabel(statusBar);
        part->setAccessibleName(QString::fromLatin1(PART_NAMES[i]));
        part->setFrameShape(QFrame::StyledPanel);
        part->setFrameShadow(QFrame::Sunken);
        part->setMinimumWidth(i == 0 ? 80 : 90);
        statusBar->addWidget(part, i == 0 ? 1 : 0);
        statusParts[i] = part;
    }
}

void ClearStatusParts() {
    for (QLabel* part : statusParts) {
        if (part) part->clear();
    }
}
