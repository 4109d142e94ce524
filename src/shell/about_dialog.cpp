#include "shell/about_dialog.h"

#include <QDialog>
#include <QLabel>

#include "platform/dialog_builder.h"
#include "shell/main_window.h"
#include "shell/platform_kind.h"
#include "shell/resource_module.h"
#include "shell/startup.h"

namespace {
const char16_t VERSION_LINE[] = u"Ver. 3.1.3, Jul 7, 2003";
}

QDialog* CreateAboutDialog() {
    QDialog* dialog = BuildDialog(LoadDialogTemplate(platformKind == PLATFORM_PALMSIZE ? 105 : 104), mainWindow);
    if (!dialog) return nullptr;
    if (auto* name = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_NAME_CONTROL)))
        name->setText(QString::fromUtf16(titleText));
    if (auto* version = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_VERSION_CONTROL)))
        version->setText(QString::fromUtf16(VERSION_LINE));
    return dialog;
}

int ShowAboutDialog() {
    QDialog* dialog = CreateAboutDialog();
    if (!dialog) return 0;
    int result = dialog->exec();
    delete dialog;
    return result;
}
