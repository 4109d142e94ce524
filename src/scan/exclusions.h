// The exclusions of the window's scans: kept in the settings store, or for
// one run given on the command line, and edited in View > Exclusions....
// Every walk of a drive leaves out what they say; a change applies from the
// next scan or Refresh.
#pragma once

#include <QString>

#include "model/scan_excludes.h"

// The one set every walk of the window uses.
ScanExcludes& WindowExcludes();

// Whether the set came from the command line: it is used for this run and
// not written back unless the user edits it.
extern bool windowExcludesGiven;
// Whether the user changed the set in this run.
extern bool windowExcludesEdited;

// The patterns as the dialog and the settings store show them, one a line
// (names decoded as host names are), and back.
QString ExcludePatternsText(const ScanExcludes& excludes);
void SetExcludePatternsText(ScanExcludes* excludes, const QString& text);

// View > Exclusions...: the patterns and the cache choice, edited in a
// dialog; OK keeps them for the next scans.
void ExclusionsCommand();
