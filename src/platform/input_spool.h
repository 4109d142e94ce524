// Standard input kept for reading again: a scan piped in ("--open -") is
// copied into a private file that no folder names, so the drive read from it
// can be read again (Refresh) for as long as the program runs.
#pragma once

#include <string>

// Copies standard input to its end into a new unlinked file that only this
// user can read and keeps it open; *path names it for opening again. False,
// with the system's words in *error, when it cannot be made or written, and
// when standard input was spooled already (it can be read only once).
bool SpoolStandardInput(std::string* path, std::string* error);

// Whether path names the spooled standard input: shown as such, not by its
// path.
bool IsSpooledInput(const std::string& path);
