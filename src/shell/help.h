// Help: the program's help page, opened in the desktop's browser.
#pragma once

#include <QString>
#include <QUrl>

// The help page vmetra.htm of a program in programFolder: beside it (a
// build), in docs/ beside it, else in the data folder of an installation,
// programFolder/../share/volumetra. Empty when none exists.
QString HelpPagePathFrom(const QString& programFolder);

// The help page of this program (HelpPagePathFrom its own folder).
QString HelpPagePath();

// The address Help opens: the page at its table of contents.
QUrl HelpUrl();

// CMD_HELP: opens the page; a failure to open it is ignored.
void StartHelp();
