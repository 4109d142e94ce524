// The one way a name or a path is shown anywhere: lists, the tree, the status
// bar, the confirmation list, the read-only question, message captions and
// the pie chart's description all show the same text for the same name.
#pragma once

#include <QString>

// The text of name (or of a path): line breaks and other control characters
// become visible symbols, so it stays one line; a host name's own "\" byte
// reads as "\"; and each undecodable byte of a host name (a lone surrogate
// half) reads as the replacement character followed by the byte's value in
// hexadecimal ("bad\xff" as "bad\uFFFDFF"), so names that differ only there
// still look different.
QString DisplayName(const char16_t* name);
