#include "platform/dialog_builder.h"
#include "resources/resource_ids.h"

#include <QDialog>
#include <QFontMetrics>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "resources/resource_module.h"

namespace {

const char* const CONTROL_ID = "controlId";

// A dialog whose close box ends it with 0 rather than QDialog's Rejected.
class TemplateDialog : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override { done(0); }
};

QWidget* MakeControl(const QJsonObject& control, QDialog* dialog) {
    const QString kind = control.value(QStringLiteral("kind")).toString();
    const QString text = control.value(QStringLiteral("text")).toString();
    const int id = control.value(QStringLiteral("id")).toInt(-1);
    QWidget* widget = nullptr;
    if (kind == QLatin1String("static")) {
        QLabel* label = new QLabel(text, dialog);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
    } else if (kind == QLatin1String("icon")) {
        QLabel* label = new QLabel(dialog);
        label->setPixmap(ProgramImage("images/icon101_32.png"));
        label->setAccessibleName(dialog->windowTitle());
        widget = label;
    } else if (kind == QLatin1String("edit")) {
        QLineEdit* edit = new QLineEdit(text, dialog);
        edit->setReadOnly(true);
        widget = edit;
    } else if (kind == QLatin1String("button")) {
        QPushButton* button = new QPushButton(text, dialog);
        button->setDefault(control.value(QStringLiteral("default")).toBool());
        button->setAutoDefault(button->isDefault());
        QObject::connect(button, &QPushButton::clicked, dialog, [dialog, id] { dialog->done(id); });
        widget = button;
    } else if (kind == QLatin1String("list")) {
        QTreeWidget* list = new QTreeWidget(dialog);
        list->setRootIsDecorated(false);
        list->setSortingEnabled(true);
        list->sortByColumn(0, Qt::AscendingOrder);
        list->setFocusPolicy(Qt::StrongFocus);
        widget = list;
    }
    if (!widget) return nullptr;
    widget->setProperty(CONTROL_ID, id);
    if (id >= 0) widget->setObjectName(QStringLiteral("control%1").arg(id));
    widget->setGeometry(DialogUnitsToPixelsX(dialog, control.value(QStringLiteral("x")).toInt()),
                        DialogUnitsToPixelsY(dialog, control.value(QStringLiteral("y")).toInt()),
                        DialogUnitsToPixelsX(dialog, control.value(QStringLiteral("width")).toInt()),
                        DialogUnitsToPixelsY(dialog, control.value(QStringLiteral("height")).toInt()));
    return widget;
}

}  // namespace

int DialogUnitsToPixelsX(const QWidget* dialog, int units) {
    return units * QFontMetrics(dialog->font()).averageCharWidth() / 4;
}

int DialogUnitsToPixelsY(const QWidget* dialog, int units) {
    return units * QFontMetrics(dialog->font()).height() / 8;
}

QDialog* BuildDialog(const QJsonObject& dialogTemplate, QWidget* parent) {
    if (dialogTemplate.isEmpty()) return nullptr;
    QDialog* dialog = new TemplateDialog(parent);
    dialog->setWindowTitle(dialogTemplate.value(QStringLiteral("title")).toString());
    int width = DialogUnitsToPixelsX(dialog, dialogTemplate.value(QStringLiteral("width")).toInt());
    int height = DialogUnitsToPixelsY(dialog, dialogTemplate.value(QStringLiteral("height")).toInt());
    for (const QJsonValue& control : dialogTemplate.value(QStringLiteral("controls")).toArray())
        MakeControl(control.toObject(), dialog);
    if (dialogTemplate.value(QStringLiteral("okInCaption")).toBool()) {
        QString okText = dialogTemplate.value(QStringLiteral("okText")).toString();
        QPushButton* ok = new QPushButton(okText.isEmpty() ? StringText(STR_OK) : okText, dialog);
        ok->setObjectName(QStringLiteral("control1"));
        ok->setProperty(CONTROL_ID, 1);
        ok->setDefault(true);
        QSize hint = ok->sizeHint();
        ok->setGeometry(width - hint.width() - 6, height, hint.width(), hint.height());
        QObject::connect(ok, &QPushButton::clicked, dialog, [dialog] { dialog->done(1); });
        height += hint.height() + 6;
    }
    dialog->setFixedSize(width, height);
    return dialog;
}

QWidget* DialogControl(QDialog* dialog, int id) {
    for (QWidget* child : dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->property(CONTROL_ID).toInt() == id && child->property(CONTROL_ID).isValid()) return child;
    return nullptr;
}
