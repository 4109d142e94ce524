// The program's command line, read before any window or display exists:
//
//   volumetra [--help] [--version] [FOLDER]
//   volumetra --export FILE [FOLDER]
//   volumetra --open FILE [--open FILE...]
//   volumetra --compare OLD NEW [--top N]
//
// FOLDER (a host path, absolute or relative) is the place to open first, or
// with --export the folder to scan into FILE (the device root by default). Qt's
// own window options (-platform, -style...) are let through to the
// application object.
#pragma once

#include <string>
#include <vector>

struct PathList;

// What ReadCommandLine returns when the program should go on and open its
// window; any other value is the exit code.
constexpr int COMMAND_LINE_RUN = -1;
// Exit code of a command line the program cannot follow.
constexpr int COMMAND_LINE_BAD = 2;

// Reads the arguments. --help and --version print on standard output and
// return 0. A folder inside the device root becomes *startPlace, a new place
// the caller owns (none without a folder). A bad option, a second folder, or
// a folder that is missing, not a folder, outside the device root or on no
// drive prints "volumetra: ..." on standard error and returns
// COMMAND_LINE_BAD. --export runs the export (see scan_export.h) and
// returns its exit code, and so does --compare (see scan_compare_command.h).
// Each --open FILE names a scan file to show as a drive of its own once the
// window is up (*scanFiles, host bytes, in the order given); "-" is standard
// input, spooled into a private file first. A file that cannot be read is
// refused here. Argument bytes are decoded as host names are, so any folder
// name reaches the host unchanged.
int ReadCommandLine(int argc, char** argv, PathList** startPlace, std::vector<std::string>* scanFiles = nullptr);

