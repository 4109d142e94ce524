// A host folder named on the command line as a program place: the components
// from its drive down, the drive being "\" (the file system of the device
// root) or the storage card whose mount point holds the folder.
#pragma once

#include <string>
#include <vector>

#include "platform/host_device.h"

// Why a host folder can or cannot be shown.
enum HostPlaceStatus {
    HOST_PLACE_OK = 0,
    HOST_PLACE_MISSING,       // nothing of that name, or a part of the path is no folder
    HOST_PLACE_NOT_FOLDER,    // it exists but is not a folder
    HOST_PLACE_OUTSIDE_ROOT,  // it lies outside the device root
    HOST_PLACE_NOT_ON_DRIVE,  // it lies on a file system that is no drive (proc, tmpfs...)
    HOST_PLACE_UNREADABLE,    // the path cannot be resolved; the error number says why
};

// The place of folder (absolute, or relative to the working folder), with
// links and "." and ".." resolved first, as components from the drive down
// with an empty last one: "/home/u/docs" is "\", "home", "u", "docs", "" on a
// single file system, "home", "u", "docs", "" when the card "home" holds it.
// Names are decoded the way listings decode them, so they round-trip to the
// same bytes. cards are the storage cards of rootFolder; every folder on the
// way down must lie on the drive's own file system, as listings only show
// those. On failure components is empty and *error holds the error number of
// HOST_PLACE_UNREADABLE (0 otherwise).
HostPlaceStatus HostFolderPlace(const std::string& rootFolder, const std::vector<HostCard>& cards,
                                const std::string& folder, std::vector<std::u16string>* components,
                                int* error);
