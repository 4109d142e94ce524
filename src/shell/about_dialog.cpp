#include "shell/about_dialog.h"

#include <QDialog>
#include <QLabel>

#include "platform/dialog_builder.h"
#include "shell/main_window.h"
#include "platform/platform_kind.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "resources/version.h"
#include "shell/startup.h"
#include "platform/nested_loops.h"

QDialog* CreateAboutDialog() {
    QDialog* dialog = BuildDialog(LoadDialogTemplate(platformKind == PLATFORM_PALMSIZE ? DIALOG_ABOUT_PALMSIZE : DIALOG_ABOUT), mainWindow);
    if (!dialog) return nullptr;
    if (auto* name = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_NAME_CONTROL)))
        name->setText(QString::fromUtf16(titleText));
    if (auto* version = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_VERSION_CONTROL)))
        version->setText(QString::fromUtf16(VOLUMETRA_VERSION_LINE));
    return dialog;
}

int ShowAboutDialog() {
    QDialog* dialog = CreateAboutDialog();
    if (!dialog) return 0;
    int result;
    {
        NestedLoop loop;
        result = dialog->exec();
    }
    delete dialog;
    return result;
}
