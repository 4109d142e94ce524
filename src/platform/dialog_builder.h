// Builds a QDialog from a dialog template: a title, a size and controls
// placed in dialog units, converted with the dialog font's average character
// size (a unit is a quarter of the average width across and an eighth of
// the height down).
#pragma once

#include <QJsonObject>

class QDialog;
class QWidget;

// A push button ends the dialog with its control id; closing it ends it
// with 0. A template marked okInCaption gets an OK button (id 1) below its
// controls, the caption having none here. None for an empty template.
QDialog* BuildDialog(const QJsonObject& dialogTemplate, QWidget* parent);

// The control with the given id, or none.
QWidget* DialogControl(QDialog* dialog, int id);

// Dialog units to pixels for the dialog's font.
int DialogUnitsToPixelsX(const QWidget* dialog, int units);
int DialogUnitsToPixelsY(const QWidget* dialog, int units);
