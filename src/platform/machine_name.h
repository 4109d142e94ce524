// The name of this machine as the desktop shows it.
#pragma once

// Writes the machine's host name into buffer (capacity characters with the
// terminator); an empty text when the system names none.
void MachineName(char16_t* buffer, int capacity);
