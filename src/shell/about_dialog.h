// The About dialog: the program's icon, name and version line.
#pragma once

class QDialog;

constexpr int ABOUT_NAME_CONTROL = 1003;
constexpr int ABOUT_VERSION_CONTROL = 1001;

// Builds the dialog (104, or 105 on a Palm-size device) with its texts set;
// none when the template is missing.
QDialog* CreateAboutDialog();

// CMD_ABOUT: shows the dialog modally over the main window. Returns its
// result: 1 for OK, 0 when it was closed.
int ShowAboutDialog();
