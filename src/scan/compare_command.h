// View > Compare With: the kept scans of the listed place's drive by date,
// "Scan File..." for any scan file, and "None" to end the comparison; and
// File > Forget Kept Scans. The comparison itself is views/place_comparison.
#pragma once

#include <cstdint>

#include <QString>

class QMenu;

// Fills the Compare With menu before it opens: None, the kept scans of the
// listed place's drive newest first (or a grayed item saying there are
// none), Scan File...; the comparison on now is checked.
void FillCompareMenu(QMenu* menu);

// Reads fileName (plain or compressed) and compares the listed place with
// it; time is the earlier scan's date (0: the date the file tells, else its
// modification time). A file that cannot be read, or whose top folder is
// not the listed place or a folder above it, gets a message naming why (for
// the latter both paths) and the comparison stays as it was. True when the
// comparison is on.
bool CompareWithFile(const QString& fileName, int64_t time);

// CMD_COMPARE_FILE: a scan file chosen, then CompareWithFile.
void CompareWithFileCommand();
// CMD_COMPARE_NONE: ends the comparison.
void CompareNoneCommand();
// CMD_FORGET_KEPT_SCANS: removes every kept scan.
void ForgetKeptScansCommand();
