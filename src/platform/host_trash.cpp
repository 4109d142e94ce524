#include "platform/host_trash.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr char INFO_SUFFIX[] = ".trashinfo";
constexpr size_t INFO_SUFFIX_LENGTH = sizeof(INFO_SUFFIX) - 1;
constexpr int MAX_CANDIDATES = 10000;

// A descriptor closed when it goes out of scope.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value = -1) : fd(value) {}
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Take() {
        int value = fd;
        fd = -1;
        return value;
    }
};

int OpenFolderAt(int folder, const char* name) {
    return openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Opens the folder name of folder, making it (mode 0700) when it is missing.
int MakeAndOpenFolder(int folder, const char* name, int* error) {
    if (mkdirat(folder, name, 0700) != 0 && errno != EEXIST) {
        *error = errno;
        return -1;
    }
    int opened = OpenFolderAt(folder, name);
    if (opened < 0) *error = errno;
    return opened;
}

// A trash folder of the user must be theirs and closed to everyone else;
// one somebody else made in a shared top folder is not used.
bool IsOwnTrash(int folder, uid_t user) {
    struct stat facts;
    return fstat(folder, &facts) == 0 && facts.st_uid == user && (facts.st_mode & 0077) == 0;
}

// The device of path, or of the nearest folder above it that exists.
bool DeviceOfNearest(std::string path, dev_t* device) {
    for (;;) {
        struct stat facts;
        if (stat(path.c_str(), &facts) == 0) {
            *device = facts.st_dev;
            return true;
        }
        size_t slash = path.find_last_of('/');
        if (path == "/" || slash == std::string::npos) return false;
        path.resize(slash == 0 ? 1 : slash);
    }
}

// Makes every folder of an absolute path that is missing, mode 0700 as the
// data folder is private.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// The last count components of path, joined by "/".
std::string LastComponents(const std::string& path, size_t count) {
    size_t start = path.size();
    for (size_t taken = 0; taken < count && start > 0; ++taken) {
        size_t slash = path.find_last_of('/', start - 1);
        start = slash == std::string::npos ? 0 : slash;
    }
    while (start < path.size() && path[start] == '/') ++start;
    return path.substr(start);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

bool SameEntry(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Moves without replacing what may have arrived under the target name; a
// file system that cannot promise that gets a check just before the move.
int RenameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) {
    if (renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    struct stat facts;
    if (fstatat(toFolder, to, &facts, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    return renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;
}

}  // namespace

HostTrash::HostTrash() : user(getuid()) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') {
        dataHome = data;
    } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
        dataHome = std::string(home) + "/.local/share";
    }
    while (dataHome.size() > 1 && dataHome.back() == '/') dataHome.pop_back();
}

HostTrash::HostTrash(const std::string& data, uid_t owner) : dataHome(data), user(owner) {
    while (dataHome.size() > 1 && dataHome.back() == '/') dataHome.pop_back();
}

std::string HostTrash::InfoText(const std::string& recordedPath, time_t deletedAt) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string text = "[Trash Info]\nPath=";
    for (unsigned char byte : recordedPath) {
        bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                     byte == '/' || byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (plain) {
            text.push_back(static_cast<char>(byte));
        } else {
            text.push_back('%');
            text.push_back(HEX[byte >> 4]);
            text.push_back(HEX[byte & 0xF]);
        }
    }
    struct tm local = {};
    localtime_r(&deletedAt, &local);
    char date[32];
    strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    text += "\nDeletionDate=";
    text += date;
    text += "\n";
    return text;
}

int HostTrash::OpenHomeTrash(int* error) const {
    if (!MakeFolders(dataHome)) {
        *error = errno;
        return -1;
    }
    Descriptor data(open(dataHome.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (data.fd < 0) {
        *error = errno;
        return -1;
    }
    return MakeAndOpenFolder(data.fd, "Trash", error);
}

int HostTrash::OpenTopTrash(int top, int* error) const {
    const std::string userName = std::to_string(user);
    // The administrator's shared trash: used only when it is a real folder
    // with the sticky bit, so no user can move another's entries away.
    Descriptor shared(OpenFolderAt(top, ".Trash"));
    struct stat facts;
    if (shared.fd >= 0 && fstat(shared.fd, &facts) == 0 && (facts.st_mode & S_ISVTX)) {
        int ignored = 0;
        Descriptor own(MakeAndOpenFolder(shared.fd, userName.c_str(), &ignored));
        if (own.fd >= 0 && IsOwnTrash(own.fd, user)) return own.Take();
    }
    const std::string ownName = ".Trash-" + userName;
    Descriptor own(MakeAndOpenFolder(top, ownName.c_str(), error));
    if (own.fd < 0) return -1;
    if (!IsOwnTrash(own.fd, user)) {
        *error = EACCES;
        return -1;
    }
    return own.Take();
}

int HostTrash::OpenTrashFor(int folder, const struct stat& facts, const std::string& hostPath,
                            std::string* recordedPath, int* error) const {
    dev_t homeDevice = 0;
    if (!dataHome.empty() && DeviceOfNearest(dataHome, &homeDevice) && homeDevice == facts.st_dev) {
        *recordedPath = hostPath;
        return OpenHomeTrash(error);
    }
    // The top folder of the entry's file system: up through ".." from the
    // folder the walk opened until the next step would leave the file
    // system or there is no step left.
    Descriptor current(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    struct stat here;
    if (current.fd < 0 || fstat(current.fd, &here) != 0) {
        *error = errno;
        return -1;
    }
    if (here.st_dev != facts.st_dev) {
        *error = EXDEV;
        return -1;
    }
    size_t levels = 0;
    for (;;) {
        Descriptor parent(openat(current.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat up;
        if (parent.fd < 0 || fstat(parent.fd, &up) != 0) {
            *error = errno;
            return -1;
        }
        if (up.st_dev != here.st_dev || SameEntry(up, here)) break;
        close(current.fd);
        current.fd = parent.Take();
        here = up;
        ++levels;
    }
    *recordedPath = LastComponents(hostPath, levels + 1);
    return OpenTopTrash(current.fd, error);
}

TrashResult HostTrash::Move(int folder, const std::string& name, const struct stat& facts,
                            const std::string& hostPath, int* error) const {
    std::string recordedPath;
    Descriptor trash(OpenTrashFor(folder, facts, hostPath, &recordedPath, error));
    if (trash.fd < 0) return TRASH_NO_TRASH;
    Descriptor files(MakeAndOpenFolder(trash.fd, "files", error));
    if (files.fd < 0) return TRASH_NO_TRASH;
    Descriptor info(MakeAndOpenFolder(trash.fd, "info", error));
    if (info.fd < 0) return TRASH_NO_TRASH;
    const std::string text = InfoText(recordedPath, time(nullptr));

    // The info file comes first and is made exclusively: its name reserves
    // the name in files, as every program that trashes does.
    for (int attempt = 1; attempt <= MAX_CANDIDATES; ++attempt) {
        std::string suffix = attempt == 1 ? std::string() : "." + std::to_string(attempt);
        size_t room = NAME_MAX - INFO_SUFFIX_LENGTH - suffix.size();
        std::string candidate = name.substr(0, room) + suffix;
        std::string infoName = candidate + INFO_SUFFIX;
        Descriptor written(openat(info.fd, infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (written.fd < 0) {
            if (errno == EEXIST) continue;
            *error = errno;
            return TRASH_NO_TRASH;
        }
        if (!WriteAll(written.fd, text) || fsync(written.fd) != 0) {
            *error = errno ? errno : EIO;
            unlinkat(info.fd, infoName.c_str(), 0);
            return TRASH_NO_TRASH;
        }
        int moved = RenameNoReplace(folder, name.c_str(), files.fd, candidate.c_str());
        if (moved == EEXIST) {
            // A file in files without its info file: leave it, take another name.
            unlinkat(info.fd, infoName.c_str(), 0);
            continue;
        }
        if (moved != 0) {
            unlinkat(info.fd, infoName.c_str(), 0);
            *error = moved;
            return moved == EXDEV ? TRASH_NO_TRASH : TRASH_NOT_MOVED;
        }
        // What the rename took must be what the caller read: an entry put
        // in its place meanwhile goes back where it was.
        struct stat arrived;
        if (fstatat(files.fd, candidate.c_str(), &arrived, AT_SYMLINK_NOFOLLOW) == 0 && !SameEntry(arrived, facts)) {
            if (RenameNoReplace(files.fd, candidate.c_str(), folder, name.c_str()) == 0)
                unlinkat(info.fd, infoName.c_str(), 0);
            *error = EACCES;
            return TRASH_NOT_MOVED;
        }
        return TRASH_MOVED;
    }
    *error = EEXIST;
    return TRASH_NOT_MOVED;
}
