// Answers the modal dialogs and message boxes a test provokes: while the
// object lives, each modal window that comes up is handed to the answer
// function, which reads it and closes it (clicks a button).
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

class QTimer;
class QWidget;

class ModalAnswers {
public:
    explicit ModalAnswers(std::function<void(QWidget*)> answer);
    ~ModalAnswers();

    // What each answered window showed: its title, then its text (a message
    // box's text) joined with " | ".
    QStringList seen;

private:
    std::unique_ptr<QTimer> timer_;
    std::function<void(QWidget*)> answer_;
    bool pending_ = false;
};

// Clicks a message box's standard button (QMessageBox::Ok, Yes, No...), or a
// template dialog's button with the given control id.
void ClickMessageButton(QWidget* box, int standardButton);
void ClickDialogControl(QWidget* dialog, int controlId);
