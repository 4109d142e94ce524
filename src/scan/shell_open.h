// Opening a file with the desktop's default program.
#pragma once

#include "model/item_node.h"

class QUrl;

// Opens a program path ("\docs\a.txt") with the desktop's program for its
// type. Replaceable, so that tests launch nothing.
using ShellOpener = bool (*)(const char16_t* path);
extern ShellOpener shellOpener;

// The file URL of a program path on the host device; empty when the device
// is not the host's or the path cannot be a host path.
QUrl HostFileUrl(const char16_t* path);

// The default opener: the desktop opens the host file of path.
bool OpenPathWithDesktop(const char16_t* path);

// Opens item's file through shellOpener. A failure is silent: the desktop
// tells the user itself when it has no program for the type.
void OpenWithShell(const ItemNode* item);
