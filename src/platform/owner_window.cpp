#include "platform/owner_window.h"

#include <QMessageBox>

#include "platform/nested_loops.h"
#include "resources/resource_module.h"

namespace {
QWidget* ownerWindow = nullptr;
}

QWidget* OwnerWindow() { return ownerWindow; }

void SetOwnerWindow(QWidget* window) { ownerWindow = window; }

int ShowStringMessage(QWidget* owner, uint32_t stringId, const QString& caption, int buttons, int icon,
                      const QString& detail) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, StringText(stringId),
                    static_cast<QMessageBox::StandardButtons>(buttons), owner);
    if (!detail.isEmpty()) box.setInformativeText(detail);
    NestedLoop loop;
    return box.exec();
}
