// The column layout of the drive and contents lists as the settings record
// keeps it: widths by column index, and for each display position the column
// shown there.
#pragma once

struct SettingsBlob;

// Writes the default widths (DefaultColumnWidth) and orders (each column at
// its own position) of both lists into blob; used when no stored record
// could be read.
void SetDefaultColumnLayout(SettingsBlob* blob);
