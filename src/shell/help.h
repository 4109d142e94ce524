// Help: the program's help page, opened in the desktop's browser.
#pragma once

#include <QString>
#include <QUrl>

// The help page vmetra.htm: beside the program, else in docs/ beside it,
// else in the source tree's docs/. Empty when none exists.
QString HelpPagePath();

// The address Help opens: the page at its table of contents.
QUrl HelpUrl();

// CMD_HELP: opens the page; a failure to open it is ignored.
void StartHelp();
