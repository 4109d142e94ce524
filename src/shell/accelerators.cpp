#include "shell/accelerators.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVector>
#include <QWidget>

#include "shell/commands.h"
#include "shell/main_window.h"
#include "resources/resource_module.h"
#include "views/pie_popup.h"
#include "platform/command_actions.h"

namespace {

struct Accelerator {
    QKeyCombination keys;
    int command;
};

QVector<Accelerator> accelerators;

// Looks at every key press of the main window and its panes ahead of them,
// as the table is translated before a message reaches its window. Keys of
// other windows (a dialog) are left alone.
class AcceleratorFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !mainWindow) return false;
        // The pie chart pop-up passes its help request to its owner.
        const bool inPopup = piePopup && widget->window() == piePopup;
        if (widget->window() != mainWindow && !inPopup) return false;
        // An open menu handles its own keys (Esc closes it); a text field
        // (the list's filter) takes its own keys too.
        if (QApplication::activePopupWidget() || qobject_cast<QLineEdit*>(widget)) return false;
        QKeyEvent* key = static_cast<QKeyEvent*>(event);
        // The desktop's help key asks for the help, as File > Help does.
        int command = key->matches(QKeySequence::HelpContents) ? int(CMD_HELP) : 0;
        if (!command && !inPopup) command = AcceleratorCommand(key->keyCombination());
        if (!command) return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Claim the key so no shortcut takes it; the press follows.
            event->accept();
            return true;
        }
        DispatchCommand(command);
        return true;
    }
};

AcceleratorFilter* filter = nullptr;

}  // namespace

void InstallAccelerators() {
    accelerators.clear();
    for (const QJsonValue& value : LoadAcceleratorTable()) {
        QJsonObject entry = value.toObject();
        QKeySequence sequence = QKeySequence::fromString(entry.value(QStringLiteral("keys")).toString(), QKeySequence::PortableText);
        int command = entry.value(QStringLiteral("command")).toInt();
        if (!sequence.isEmpty() && command) accelerators.push_back({sequence[0], command});
    }
    if (!filter) {
        filter = new AcceleratorFilter();
        qApp->installEventFilter(filter);
    }
}

void RemoveAccelerators() {
    if (!filter) return;
    qApp->removeEventFilter(filter);
    delete filter;
    filter = nullptr;
}

int AcceleratorCommand(const QKeyCombination& keys) {
    // The keypad's Enter carries the keypad modifier; the table does not care.
    QKeyCombination plain(keys.keyboardModifiers() & ~Qt::KeypadModifier, keys.key());
    for (const Accelerator& accelerator : accelerators)
        if (accelerator.keys == plain) return accelerator.command;
    return 0;
}
