// The desktop's trash on this machine, laid out as freedesktop.org's trash
// standard lays it out, so that file managers, `gio trash` and the desktop's
// own trash can list and restore what the program put there.
//
// An entry on the file system of the user's data folder goes to
// $XDG_DATA_HOME/Trash; an entry on another file system goes to that file
// system's $topdir/.Trash/$uid when $topdir/.Trash is a real folder with the
// sticky bit, else to $topdir/.Trash-$uid. Every step works on descriptors:
// the entry is moved out of the folder the caller's walk opened, with one
// rename, so neither the entry nor a folder above it is looked up by a whole
// path again.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

enum TrashResult {
    TRASH_MOVED = 0,     // the entry lies in the trash, its info file beside it
    TRASH_NO_TRASH = 1,  // no trash could be used on the entry's file system
    TRASH_NOT_MOVED = 2, // the trash is there, but the entry could not be moved
};

class HostTrash {
public:
    // Reads XDG_DATA_HOME (else HOME/.local/share) and the user's id.
    HostTrash();
    // A trash for a given data folder and user: for tests.
    HostTrash(const std::string& dataHome, uid_t user);

    // Moves the entry name of folder, whose facts (read without following
    // it) are facts, to the trash of its file system. hostPath is the
    // entry's absolute path with no link in it: the info file records it.
    // *error receives the system's error number when the result is not
    // TRASH_MOVED. What is not moved stays where it was, and no info file of
    // it stays behind.
    TrashResult Move(int folder, const std::string& name, const struct stat& facts, const std::string& hostPath,
                     int* error) const;

    // The text of the info file for an entry: Path= percent-encoded,
    // DeletionDate= local time.
    static std::string InfoText(const std::string& recordedPath, time_t deletedAt);

private:
    // The trash folder of the home trash or of the entry's file system,
    // open, and the path its info files record (absolute for the home
    // trash, relative to the top folder for the others); -1 and *error when
    // none can be used.
    int OpenTrashFor(int folder, const struct stat& facts, const std::string& hostPath, std::string* recordedPath,
                     int* error) const;
    int OpenHomeTrash(int* error) const;
    int OpenTopTrash(int top, int* error) const;

    std::string dataHome;
    uid_t user;
};
