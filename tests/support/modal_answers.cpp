#include "support/modal_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/dialog_builder.h"

ModalAnswers::ModalAnswers(std::function<void(QWidget*)> answer)
    : timer_(std::make_unique<QTimer>()), answer_(std::move(answer)) {
    timer_->setInterval(5);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        QString what = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) what += QStringLiteral(" | ") + box->text();
        seen.push_back(what);
        answer_(modal);
    });
    timer_->start();
}

ModalAnswers::~ModalAnswers() { timer_->stop(); }

void ClickMessageButton(QWidget* box, int standardButton) {
    auto* message = qobject_cast<QMessageBox*>(box);
    if (!message) return;
    if (QAbstractButton* button = message->button(static_cast<QMessageBox::StandardButton>(standardButton)))
        button->click();
}

void ClickDialogControl(QWidget* dialog, int controlId) {
    auto* templateDialog = qobject_cast<QDialog*>(dialog);
    if (!templateDialog) return;
    if (auto* button = qobject_cast<QAbstractButton*>(DialogControl(templateDialog, controlId))) button->click();
}
