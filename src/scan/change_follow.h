// Following the disk while the window is open: with Follow Changes on, every
// drive of this machine whose scan is shown is watched (its whole file system
// where the program may, else each of its folders up to a limit of watches,
// and past that limit the listed folder and those above it). A change marks
// its folder stale; stale folders are walked again on their own (a rescan),
// a burst in one subtree coalesced into one rescan, at most one a second per
// subtree, and never while a scan, an expunge or a question runs. Drives
// read from scan files are never watched.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/item_node.h"

class QObject;

// Whether changes are followed (View > Follow Changes; on by default, kept
// in the settings store).
extern bool followChanges;

// The program's own limit on folder watches; the machine's limit applies
// too. Tests set it low.
extern size_t folderWatchLimit;

// Whether a whole file system may be watched with one mark where the
// process is allowed to; tests turn it off to watch folder by folder.
extern bool watchWholeFileSystems;

// Starts following for the window (owner holds the timer); the drives are
// watched as their scans end.
void SetUpChangeFollow(QObject* owner);
// Stops watching and forgets everything stale: the window closes.
void EndChangeFollow();

// CMD_FOLLOW_CHANGES: turns following off or on, and checks the command.
void ToggleFollowChanges();

// A scan of drive ended complete and is shown: it is watched from now on.
void WatchScannedDrive(ItemNode* drive);
// The place the list shows changed: past the limit of watches, its folder
// and those above it are watched.
void WatchListedPlace(ItemNode* place);
// The item tree goes: every drive's watch and stale folder is forgotten.
void ForgetWatchedDrives();
// A rescan put folder's new subtree in place: its folders are watched.
void WatchRescannedFolder(ItemNode* folder);

// Whether every change that happened on disk so far has been followed: no
// event waits, no folder is stale and no rescan runs. With
// AppliedRescanCount, the signal tests wait on.
bool ChangesSettled();

// Whether some changes are not followed because there were too many folders
// to watch.
bool ChangesFollowedInPart();
