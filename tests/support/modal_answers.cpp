#include "support/modal_answers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "platform/dialog_builder.h"

ModalAnswers::ModalAnswers(std::function<void(QWidget*)> answer)
    : timer_(std::make_unique<QTimer>()), answer_(std::move(answer)) {
    timer_->setInterval(5);
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (pending_ || !modal || !modal->isVisible()) return;
        // The answer runs outside this timer's own event: an answer may open
        // the next modal window (a message during the work a button starts),
        // and a timer is never delivered again while its event runs.
        pending_ = true;
        QPointer<QWidget> target = modal;
        QMetaObject::invokeMethod(
            timer_.get(),
            [this, target] {
                pending_ = false;
                if (!target || !target->isVisible()) return;
                QString what = target->windowTitle();
                if (auto* box = qobject_cast<QMessageBox*>(target.data())) what += QStringLiteral(" | ") + box->text();
                seen.push_back(what);
                answer_(target);
            },
            Qt::QueuedConnection);
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
