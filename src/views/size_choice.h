// How the views show sizes: counted as the disk's blocks or as apparent
// sizes (the model's count), and written as grouped bytes or in units
// ("2.1 GB"). A switch needs no scan: the totals are counted again, and the
// list, its shares, the pie chart and the status bar show them at once.
#pragma once

#include <cstdint>

#include <QString>

#include "model/item_tree.h"

// Sizes in KB, MB, GB instead of grouped bytes; off by default.
extern bool sizeUnits;

// A size as the views write it: grouped bytes ("2,217,512,960"), or in
// units with one decimal ("2.1 GB") when sizeUnits is on.
QString SizeText(uint64_t bytes);

// A size with its unit, as the status bar says it: "2,217,512,960 byte(s)",
// or "2.1 GB".
QString SizeWithUnitText(uint64_t bytes);

// A size that is a lower bound (a folder holding what could not be read):
// "≥ " before its text.
QString LowerBoundText(const QString& size);

// The exact grouped bytes of a size shown in units, for its tooltip; empty
// when sizes show as bytes already.
QString SizeToolTip(uint64_t bytes);

// View > Sizes: Disk Usage or Apparent Size; View > Sizes in KB, MB, GB.
void ChooseSizeCount(SizeCount count);
void ChooseSizeUnits(bool on);

// Puts the check marks of the three size commands where the choices are.
void MarkSizeCommands();
