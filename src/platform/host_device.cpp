#include "platform/host_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/host_names.h"

namespace {

thread_local uint32_t lastError = DEVICE_OK;
thread_local int lastErrno = 0;

// The entry the calling thread's last GetAttributes read: its path, identity
// and mode. A change or a deletion of that path that follows reaches that
// entry or nothing (the expunge reads, may ask the user, then changes), and
// the read-only state it had comes back with its exact mode.
struct ReadEntry {
    std::u16string path;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    // Held open until the next read: while it is, no other entry can be
    // given the same inode number, so the identity check is exact.
    int held = -1;
};
thread_local ReadEntry lastRead;

bool IsLastRead(const char16_t* path) { return !lastRead.path.empty() && lastRead.path == path; }

// Whether the entry at path now is another than the one last read there.
bool ReplacedSinceRead(const char16_t* path, const struct stat& facts) {
    // An inode number is soon used again: the kind must match as well.
    return IsLastRead(path) && (facts.st_dev != lastRead.device || facts.st_ino != lastRead.inode ||
                                (facts.st_mode & S_IFMT) != (lastRead.mode & S_IFMT));
}

// Sets the mode of the entry name in folder, only when it is still the one
// whose facts are given: it is opened without following anything and
// checked through its own descriptor, and the mode set on that descriptor.
bool ChangeModeOf(int folder, const char* name, const struct stat& facts, mode_t mode) {
    int entry = openat(folder, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (entry < 0) return false;
    struct stat now;
    bool ok = fstat(entry, &now) == 0 && now.st_dev == facts.st_dev && now.st_ino == facts.st_ino &&
              (now.st_mode & S_IFMT) == (facts.st_mode & S_IFMT) && !S_ISLNK(now.st_mode);
    if (!ok) {
        close(entry);
        errno = EACCES;
        return false;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", entry);
    ok = chmod(path, mode) == 0;
    int error = errno;
    close(entry);
    errno = error;
    return ok;
}

uint32_t ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT: return DEVICE_FILE_NOT_FOUND;
    case ENOTDIR: return DEVICE_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return DEVICE_ACCESS_DENIED;
    case ENOMEM: return DEVICE_NOT_ENOUGH_MEMORY;
    case EROFS: return DEVICE_WRITE_PROTECT;
    case EBUSY: return DEVICE_SHARING_VIOLATION;
    case ENOTEMPTY:
    case EEXIST: return DEVICE_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return DEVICE_FILENAME_TOO_LONG;
    default: return DEVICE_GEN_FAILURE;
    }
}

bool Fail(int error) {
    lastErrno = error;
    lastError = ErrorFromErrno(error);
    return false;
}

uint32_t AttributesOf(const struct stat& facts) {
    uint32_t attributes = 0;
    if (S_ISDIR(facts.st_mode)) attributes |= FILE_ATTR_DIRECTORY;
    if (!(facts.st_mode & S_IWUSR)) attributes |= FILE_ATTR_READONLY;
    return attributes;
}

// An entry's facts as a walk records them.
void FillEntryFacts(const struct stat& facts, FolderEntry* record) {
    record->attributes = AttributesOf(facts);
    if (S_ISLNK(facts.st_mode)) record->attributes |= FILE_ATTR_LINK;
    record->size = static_cast<uint64_t>(facts.st_size);
    record->diskSize = static_cast<uint64_t>(facts.st_blocks) * 512;
    record->modified = TimeStampOfUnixTime(facts.st_mtim.tv_sec, facts.st_mtim.tv_nsec);
    record->links = static_cast<uint32_t>(facts.st_nlink);
    record->fileId = facts.st_ino;
}

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char* digits = field.c_str() + i + 1;
            if (digits[0] >= '0' && digits[0] <= '3' && digits[1] >= '0' && digits[1] <= '7' &&
                digits[2] >= '0' && digits[2] <= '7') {
                out.push_back(static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                                (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

}  // namespace

bool IsPseudoFileSystem(const std::string& type) {
    static const char* const PSEUDO_TYPES[] = {
        "proc",      "sysfs",     "devtmpfs",   "devpts",   "cgroup",      "cgroup2",
        "tmpfs",     "ramfs",     "securityfs", "pstore",   "efivarfs",    "bpf",
        "debugfs",   "tracefs",   "configfs",   "fusectl",  "mqueue",      "hugetlbfs",
        "autofs",    "binfmt_misc", "rpc_pipefs", "nsfs",   "selinuxfs",   "rootfs",
        "squashfs",  "overlay",   "devfs",      "nfsd",     "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.lxcfs", "cgroupfs", "none",
    };
    for (const char* pseudo : PSEUDO_TYPES) {
        if (type == pseudo) return true;
    }
    return false;
}

bool IsNetworkFileSystem(const std::string& type) {
    static const char* const NETWORK_TYPES[] = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "ceph", "fuse.ceph", "9p", "afs", "glusterfs",
        "fuse.glusterfs", "lustre", "fuse.rclone", "fuse.s3fs", "davfs", "fuse.davfs2",
    };
    for (const char* network : NETWORK_TYPES) {
        if (type == network) return true;
    }
    return false;
}

std::string MountTypeAt(const std::string& mountInfo, const std::string& hostPath) {
    // The mount whose point is the longest prefix of the path; the last such
    // line wins, as a later mount covers an earlier one.
    std::string best;
    size_t bestLength = 0;
    bool found = false;
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string id, parentId, numbers, mountRoot, mountPoint, field, type;
        if (!(fields >> id >> parentId >> numbers >> mountRoot >> mountPoint)) continue;
        while (fields >> field) {
            if (field == "-") {
                fields >> type;
                break;
            }
        }
        mountPoint = UnescapeMountField(mountPoint);
        bool inside = hostPath.compare(0, mountPoint.size(), mountPoint) == 0 &&
                      (mountPoint == "/" || hostPath.size() == mountPoint.size() || hostPath[mountPoint.size()] == '/');
        if (inside && (!found || mountPoint.size() >= bestLength)) {
            best = type;
            bestLength = mountPoint.size();
            found = true;
        }
    }
    return best;
}

int OpenFoldersOnDrive(int folder, const std::string& relative, dev_t device, int* error) {
    size_t position = 0;
    while (position < relative.size()) {
        size_t end = relative.find('/', position);
        if (end == std::string::npos) end = relative.size();
        std::string component = relative.substr(position, end - position);
        position = end + 1;
        if (component.empty()) continue;
        if (component == "." || component == "..") {
            close(folder);
            *error = EINVAL;
            return -1;
        }
        int next = openat(folder, component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        *error = errno;
        close(folder);
        if (next < 0) return -1;
        folder = next;
        struct stat facts;
        if (fstat(folder, &facts) != 0 || (device != ANY_DRIVE && facts.st_dev != device)) {
            *error = (device != ANY_DRIVE && facts.st_dev != device) ? EXDEV : errno;
            close(folder);
            return -1;
        }
    }
    return folder;
}

HostDevice::HostDevice() {
    const char* root = std::getenv("VOLUMETRA_ROOT");
    rootFolder = (root && *root) ? root : "/";
    while (rootFolder.size() > 1 && rootFolder.back() == '/') rootFolder.pop_back();
}

HostDevice::HostDevice(const std::string& folder) : rootFolder(folder.empty() ? "/" : folder) {
    while (rootFolder.size() > 1 && rootFolder.back() == '/') rootFolder.pop_back();
}

bool HostDevice::HostPath(const char16_t* path, std::string* hostPath) {
    // Both "\a\b" and "Card\x" start at the device root.
    if (*path == u'\\') ++path;
    size_t length = 0;
    while (path[length]) ++length;
    hostPath->assign(rootFolder == "/" ? "" : rootFolder);
    hostPath->push_back('/');
    EncodeHostPath(path, length, hostPath);
    if (hostPath->size() >= PATH_MAX) return Fail(ENAMETOOLONG);
    return true;
}

std::vector<HostCard> HostDevice::CardsFromMountInfo(const std::string& mountInfo, MountFacts facts) {
    std::vector<HostCard> cards;
    struct stat rootFacts;
    if (facts(rootFolder.c_str(), &rootFacts) != 0) return cards;
    std::string prefix = rootFolder == "/" ? "/" : rootFolder + "/";

    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mountpoint options [optional...] - type source super
        std::istringstream fields(line);
        std::string id, parentId, numbers, mountRoot, mountPoint, field;
        if (!(fields >> id >> parentId >> numbers >> mountRoot >> mountPoint)) continue;
        std::string type;
        while (fields >> field) {
            if (field == "-") {
                fields >> type;
                break;
            }
        }
        if (type.empty() || IsPseudoFileSystem(type)) continue;
        mountPoint = UnescapeMountField(mountPoint);
        if (mountPoint.size() <= prefix.size() || mountPoint.compare(0, prefix.size(), prefix) != 0)
            continue;
        // The mount must be what the path shows now (not covered by a later
        // mount), and not the object store's own file system mounted again.
        struct stat mountFacts;
        if (facts(mountPoint.c_str(), &mountFacts) != 0 || !S_ISDIR(mountFacts.st_mode)) continue;
        if (mountFacts.st_dev == rootFacts.st_dev) continue;
        struct stat parentFacts;
        std::string parent = mountPoint.substr(0, mountPoint.find_last_of('/'));
        if (parent.empty()) parent = "/";
        if (facts(parent.c_str(), &parentFacts) == 0 && parentFacts.st_dev == mountFacts.st_dev) continue;
        bool seen = false;
        for (HostCard& card : cards) {
            if (card.device == mountFacts.st_dev) {
                // The same device mounted twice is one drive, named by its
                // shortest mount point.
                std::string relative = mountPoint.substr(prefix.size());
                if (relative.size() < card.relativePath.size()) card.relativePath = relative;
                seen = true;
            }
        }
        if (!seen) cards.push_back({mountPoint.substr(prefix.size()), mountFacts.st_dev});
    }
    return cards;
}

std::vector<HostCard> HostDevice::StorageCards() {
    // Read each time "\" is listed: cards come and go while the program runs.
    std::ifstream file("/proc/self/mountinfo");
    std::stringstream text;
    text << file.rdbuf();
    return CardsFromMountInfo(text.str(), lstat);
}

bool HostDevice::OpenFolder(const char16_t* path, FolderHandle* folder) {
    *folder = NO_FOLDER;
    std::string hostPath;
    if (!HostPath(path, &hostPath)) return false;
    int descriptor = open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return Fail(errno);
    if (hostPath == (rootFolder == "/" ? "/" : rootFolder + "/")) {
        // The cards are listed in the device root's folder only.
        struct stat facts;
        if (fstat(descriptor, &facts) == 0) {
            rootDevice = facts.st_dev;
            rootInode = facts.st_ino;
        }
    }
    *folder = descriptor;
    return true;
}

bool HostDevice::OpenSubfolder(FolderHandle parent, const char16_t* name, FolderHandle* folder) {
    *folder = NO_FOLDER;
    thread_local std::string hostName;
    hostName.clear();
    size_t length = 0;
    while (name[length]) ++length;
    EncodeHostPath(name, length, &hostName);
    // Never through a link: a folder replaced by one since it was listed is
    // not the folder that was listed.
    int descriptor = openat(static_cast<int>(parent), hostName.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return Fail(errno == ELOOP ? ENOTDIR : errno);
    *folder = descriptor;
    return true;
}

bool HostDevice::ReadFolderNames(FolderHandle handle, FolderListing* listing) {
    bool ended = false;
    return ReadFolderPart(handle, listing, true, SIZE_MAX, &ended);
}

bool HostDevice::ReadFolderPart(FolderHandle handle, FolderListing* listing, bool fromStart, size_t limit,
                                bool* ended) {
    *ended = false;
    int folder = static_cast<int>(handle);
    struct stat folderFacts;
    if (fstat(folder, &folderFacts) != 0) return Fail(errno);
    listing->volumeId = folderFacts.st_dev;
    listing->folderId = folderFacts.st_ino;
    // The names stay as the host gave them until each is used.
    listing->decodeName = DecodeHostName;
    // Raw directory reads: a folder of 200,000 entries takes a hundred calls
    // or so. The names are read from the start even when the descriptor was
    // read before. The buffer is filled by the kernel only as far as a read
    // goes, so a thread that lists small folders touches little of it.
    if (fromStart && lseek(folder, 0, SEEK_SET) != 0) return Fail(errno);
    constexpr size_t RECORDS_BYTES = 64 * 1024;
    thread_local std::unique_ptr<char[]> records(new char[RECORDS_BYTES]);
    auto append = [listing](const char* name, size_t length, uint32_t attributes) {
        FolderEntry record{};
        record.attributes = attributes;
        record.links = 1;
        record.hostNameOffset = static_cast<uint32_t>(listing->hostNames.size());
        record.nameLength = static_cast<uint32_t>(length);
        listing->hostNames.insert(listing->hostNames.end(), name, name + length);
        listing->hostNames.push_back(0);
        listing->entries.push_back(record);
    };
    size_t taken = 0;
    for (;;) {
        ssize_t filled = getdents64(folder, records.get(), RECORDS_BYTES);
        if (filled < 0) return Fail(errno);
        if (filled == 0) break;
        for (ssize_t offset = 0; offset < filled;) {
            const struct dirent64* entry = reinterpret_cast<const struct dirent64*>(records.get() + offset);
            offset += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            // Until its facts are read, an entry is what the listing tells.
            append(name, std::strlen(name), entry->d_type == DT_DIR ? uint32_t(FILE_ATTR_DIRECTORY) : 0u);
            if (++taken == limit && offset < filled) {
                // The next part starts after this entry, where the directory
                // says it does.
                if (lseek(folder, entry->d_off, SEEK_SET) < 0) return Fail(errno);
                return true;
            }
        }
        if (taken == limit) return true;
    }
    *ended = true;
    if (folderFacts.st_dev == rootDevice && folderFacts.st_ino == rootInode) {
        // The cards: named by their mount points, no entries of this folder.
        for (const HostCard& card : StorageCards())
            append(card.relativePath.data(), card.relativePath.size(), FILE_ATTR_DIRECTORY | FILE_ATTR_VOLUME);
    }
    return true;
}

void HostDevice::ReadEntryFacts(FolderHandle handle, FolderListing* listing, size_t begin, size_t end) {
    int folder = static_cast<int>(handle);
    for (size_t i = begin; i < end; ++i) {
        FolderEntry& record = listing->entries[i];
        if (record.attributes & (FILE_ATTR_VOLUME | FILE_ATTR_EXCLUDED)) continue;
        struct stat facts;
        if (fstatat(folder, &listing->hostNames[record.hostNameOffset], &facts, AT_SYMLINK_NOFOLLOW) == 0) {
            // The mount point of another file system belongs to that one.
            if (facts.st_dev != listing->volumeId) {
                record.attributes = FILE_ATTR_INVALID;
                continue;
            }
            FillEntryFacts(facts, &record);
        } else if (errno == ENOENT) {
            record.attributes = FILE_ATTR_INVALID;  // vanished between listing and reading its facts
        } else {
            // Listed but not readable (in a folder without search
            // permission): the entry keeps what the listing told, and says
            // why its sizes are unknown.
            record.error = static_cast<uint32_t>(errno);
        }
    }
}

bool HostDevice::ReadFileStart(FolderHandle folder, const FolderListing& listing, size_t entry, char* buffer,
                               size_t size, size_t* read) {
    const char* name = &listing.hostNames[listing.entries[entry].hostNameOffset];
    int file = openat(static_cast<int>(folder), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return Fail(errno);
    struct stat facts;
    ssize_t got = fstat(file, &facts) == 0 && S_ISREG(facts.st_mode) ? ::read(file, buffer, size) : -1;
    close(file);
    if (got < 0) return false;
    *read = static_cast<size_t>(got);
    return true;
}

void HostDevice::CloseFolder(FolderHandle folder) {
    if (folder != NO_FOLDER) close(static_cast<int>(folder));
}

int HostDevice::ListingThreads(const char16_t* path) {
    std::string hostPath;
    if (!HostPath(path, &hostPath)) return 0;
    std::ifstream file("/proc/self/mountinfo");
    std::stringstream text;
    text << file.rdbuf();
    return IsNetworkFileSystem(MountTypeAt(text.str(), hostPath)) ? NETWORK_LISTING_THREADS : 0;
}

bool HostDevice::ReadFolder(const char16_t* path, FolderListing* listing) {
    FolderHandle folder = NO_FOLDER;
    if (!OpenFolder(path, &folder)) return false;
    bool ok = ReadFolderNames(folder, listing);
    if (ok) ReadEntryFacts(folder, listing, 0, listing->entries.size());
    CloseFolder(folder);
    // What its facts showed to be no entry of this folder is left out, and
    // the names are given as the program's.
    std::erase_if(listing->entries, [](const FolderEntry& entry) { return entry.attributes == FILE_ATTR_INVALID; });
    for (FolderEntry& entry : listing->entries) {
        entry.nameOffset = static_cast<uint32_t>(listing->names.size());
        entry.nameLength = static_cast<uint32_t>(
            DecodeHostName(&listing->hostNames[entry.hostNameOffset], entry.nameLength, &listing->names));
    }
    listing->decodeName = nullptr;
    return ok;
}

bool HostDevice::VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) {
    std::string hostPath;
    if (!HostPath(path, &hostPath)) return false;
    struct statvfs facts;
    if (statvfs(hostPath.c_str(), &facts) != 0) return Fail(errno);
    *totalBytes = static_cast<uint64_t>(facts.f_blocks) * facts.f_frsize;
    *freeBytes = static_cast<uint64_t>(facts.f_bfree) * facts.f_frsize;
    return true;
}

// Opens the folder that holds the entry at a program path, walking from the
// device root one component at a time without following links, and keeps
// the entry's name. Below the drive (the card's mount point, or the root for
// "\") every folder must lie on the drive's own file system. So a folder
// replaced by a link after the scan, or a file system mounted inside a
// folder, can never lead a change outside the entry the scan listed.
// Returns the folder's descriptor (the caller closes it), or -1.
int HostDevice::OpenEntryFolder(const char16_t* path, std::string* leafName, dev_t* driveDevice) {
    std::string relative;
    bool onStore = *path == u'\\';
    const char16_t* rest = onStore ? path + 1 : path;
    size_t length = 0;
    while (rest[length]) ++length;
    EncodeHostPath(rest, length, &relative);
    if (relative.size() + rootFolder.size() + 1 >= PATH_MAX) {
        // Too deep for a path text: the user is told why nothing changed.
        Fail(ENAMETOOLONG);
        return -1;
    }
    // The drive part: nothing for the object store, the card's relative
    // mount point (which may hold "/") for a card, ending at its first "\".
    size_t driveEnd = 0;
    if (!onStore) {
        const char16_t* separator = rest;
        while (*separator && *separator != u'\\') ++separator;
        std::string drivePart;
        EncodeHostPath(rest, static_cast<size_t>(separator - rest), &drivePart);
        driveEnd = drivePart.size();
        if (!*separator) {
            // The path names the card itself: it is never an entry to change.
            lastError = DEVICE_ACCESS_DENIED;
            return -1;
        }
    }
    size_t leafStart = relative.find_last_of('/');
    if (leafStart == std::string::npos || leafStart < driveEnd) leafStart = onStore ? std::string::npos : driveEnd;
    std::string folders = leafStart == std::string::npos ? std::string() : relative.substr(0, leafStart);
    *leafName = leafStart == std::string::npos ? relative : relative.substr(leafStart + 1);
    if (leafName->empty() || *leafName == "." || *leafName == "..") {
        lastError = DEVICE_INVALID_NAME;
        return -1;
    }

    int folder = open(rootFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        Fail(errno);
        return -1;
    }
    struct stat facts;
    if (fstat(folder, &facts) != 0) {
        Fail(errno);
        close(folder);
        return -1;
    }
    // A card's folder on the store's own file system is no card (it was
    // unmounted after the scan): what lies there is not what was listed.
    const dev_t storeDevice = facts.st_dev;
    *driveDevice = storeDevice;
    std::string below = folders;
    int error = 0;
    auto failWalk = [&error](uint32_t otherDrive) {
        if (error == EXDEV)
            lastError = otherDrive;
        else if (error == EINVAL)
            lastError = DEVICE_INVALID_NAME;
        else
            Fail(error == ELOOP ? ENOTDIR : error);  // a link where a folder was listed is no folder
        return -1;
    };
    if (!onStore) {
        folder = OpenFoldersOnDrive(folder, relative.substr(0, driveEnd), ANY_DRIVE, &error);
        if (folder < 0) return failWalk(DEVICE_PATH_NOT_FOUND);
        if (fstat(folder, &facts) != 0 || facts.st_dev == storeDevice) {
            close(folder);
            lastError = DEVICE_PATH_NOT_FOUND;
            return -1;
        }
        *driveDevice = facts.st_dev;
        below = folders.size() > driveEnd ? folders.substr(driveEnd + 1) : std::string();
    }
    folder = OpenFoldersOnDrive(folder, below, *driveDevice, &error);
    if (folder < 0) return failWalk(DEVICE_ACCESS_DENIED);
    return folder;
}

// The facts of the entry at path, read without following anything, and the
// folder that holds it (open on success; the caller closes it).
int HostDevice::StatEntry(const char16_t* path, std::string* leafName, struct stat* facts) {
    dev_t driveDevice = 0;
    int folder = OpenEntryFolder(path, leafName, &driveDevice);
    if (folder < 0) return -1;
    if (fstatat(folder, leafName->c_str(), facts, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail(errno);
        close(folder);
        return -1;
    }
    // An entry on another file system (a mount point) is not the drive's.
    if (facts->st_dev != driveDevice) {
        close(folder);
        lastError = DEVICE_ACCESS_DENIED;
        return -1;
    }
    return folder;
}

bool HostDevice::ReadEntryFactsAt(const char16_t* path, FolderEntry* record) {
    std::string name;
    struct stat facts;
    int folder = StatEntry(path, &name, &facts);
    if (folder < 0) return false;
    close(folder);
    FillEntryFacts(facts, record);
    record->error = 0;
    return true;
}

uint32_t HostDevice::GetAttributes(const char16_t* path) {
    std::string name;
    struct stat facts;
    int folder = StatEntry(path, &name, &facts);
    if (folder < 0) return FILE_ATTR_INVALID;
    if (lastRead.held >= 0) close(lastRead.held);
    lastRead.held = openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    close(folder);
    lastRead.path = path;
    lastRead.device = facts.st_dev;
    lastRead.inode = facts.st_ino;
    lastRead.mode = facts.st_mode;
    return AttributesOf(facts);
}

bool HostDevice::SetAttributes(const char16_t* path, uint32_t attributes) {
    std::string name;
    struct stat facts;
    int folder = StatEntry(path, &name, &facts);
    if (folder < 0) return false;
    // What stands there now is not what was read: it is left as it is.
    if (ReplacedSinceRead(path, facts)) {
        close(folder);
        return Fail(EACCES);
    }
    // A link has no permissions of its own, and changing them would follow it.
    bool ok = true;
    if (!S_ISLNK(facts.st_mode)) {
        mode_t mode = facts.st_mode & 07777;
        if (!(attributes & FILE_ATTR_READONLY))
            mode |= S_IWUSR;
        else if (IsLastRead(path) && !(lastRead.mode & S_IWUSR))
            mode = lastRead.mode & 07777;  // read-only as it was read, bit for bit
        else
            mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
        if (mode != (facts.st_mode & 07777) && !ChangeModeOf(folder, name.c_str(), facts, mode)) ok = Fail(errno);
    }
    close(folder);
    return ok;
}

// The folder that holds the entry at path, open (the caller closes it), when
// the entry is the one last read (if it was) and of the kind wanted: a
// folder is never changed as a file (it may have replaced the file the scan
// saw), nor a file as a folder. -1 otherwise, the error set.
int HostDevice::OpenWantedEntry(const char16_t* path, bool folderWanted, std::string* name, struct stat* facts) {
    int folder = StatEntry(path, name, facts);
    if (folder < 0) return -1;
    int error = 0;
    if (ReplacedSinceRead(path, *facts))
        error = EACCES;
    else if (S_ISDIR(facts->st_mode) != folderWanted)
        error = folderWanted ? ENOTDIR : EISDIR;
    if (error == 0) return folder;
    close(folder);
    Fail(error);
    return -1;
}

// Removes the file or the folder (as asked) at path; a link is removed
// itself, never what it points to.
bool HostDevice::RemoveEntry(const char16_t* path, bool folderWanted) {
    std::string name;
    struct stat facts;
    int folder = OpenWantedEntry(path, folderWanted, &name, &facts);
    if (folder < 0) return false;
    bool ok = unlinkat(folder, name.c_str(), folderWanted ? AT_REMOVEDIR : 0) == 0 || Fail(errno);
    close(folder);
    return ok;
}

// Moves the entry to the trash of its file system, from the folder the walk
// opened, as a removal reaches it.
bool HostDevice::MoveToTrash(const char16_t* path, bool folderWanted) {
    std::string name;
    struct stat facts;
    int folder = OpenWantedEntry(path, folderWanted, &name, &facts);
    if (folder < 0) return false;
    bool ok = true;
    std::string hostPath;
    if (!HostPath(path, &hostPath)) {
        ok = false;
    } else {
        // The info file records the path without a link in it: the device
        // root's own, then what the walk went through.
        char* realRoot = realpath(rootFolder.c_str(), nullptr);
        if (realRoot && rootFolder != "/")
            hostPath = (std::string(realRoot) == "/" ? std::string() : std::string(realRoot)) +
                       hostPath.substr(rootFolder.size());
        free(realRoot);
        int error = 0;
        TrashResult result = trash.Move(folder, name, facts, hostPath, &error);
        if (result != TRASH_MOVED) {
            ok = Fail(error);
            if (result == TRASH_NO_TRASH) lastError = DEVICE_NO_TRASH;
        }
    }
    close(folder);
    return ok;
}

bool HostDevice::DeleteFile(const char16_t* path) { return RemoveEntry(path, false); }

bool HostDevice::RemoveDirectory(const char16_t* path) { return RemoveEntry(path, true); }

bool HostDevice::LastWriteTime(const char16_t* path, uint64_t* fileTime) {
    std::string hostPath;
    if (!HostPath(path, &hostPath)) return false;
    struct stat facts;
    if (lstat(hostPath.c_str(), &facts) != 0) return Fail(errno);
    *fileTime = UnixTimeToFileTime(facts.st_mtim.tv_sec, facts.st_mtim.tv_nsec);
    return true;
}

bool HostDevice::ReadLinkTarget(const char16_t* path, std::vector<char16_t>* target) {
    // Reached the way a change reaches an entry: through the folders the
    // scan listed, on the drive's own file system, so only the link that
    // was listed is read.
    std::string leafName;
    dev_t driveDevice = 0;
    int folder = OpenEntryFolder(path, &leafName, &driveDevice);
    if (folder < 0) return false;
    char bytes[PATH_MAX];
    const ssize_t length = readlinkat(folder, leafName.c_str(), bytes, sizeof bytes);
    const int error = errno;
    close(folder);
    if (length < 0) return Fail(error);
    DecodeHostName(bytes, static_cast<size_t>(length), target);
    return true;
}

bool HostDevice::ReadDatabases(std::vector<DatabaseInfo>* databases) {
    // A desktop has no object store: there are no databases to list.
    databases->clear();
    return true;
}

uint32_t HostDevice::LastError() { return lastError; }

int HostDevice::LastSystemError() { return lastErrno; }
