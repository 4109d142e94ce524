#include "platform/host_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/host_names.h"

namespace {

std::u16string DecodedName(const std::string& bytes) {
    std::vector<char16_t> text;
    DecodeHostName(bytes.data(), bytes.size(), &text);
    return std::u16string(text.begin(), text.end());
}

// Whether path is base itself or lies below it ("" holds everything).
bool Holds(const std::string& base, const std::string& path) {
    if (base.empty()) return true;
    return path.compare(0, base.size(), base) == 0 && (path.size() == base.size() || path[base.size()] == '/');
}


}  // namespace

HostPlaceStatus HostFolderPlace(const std::string& rootFolder, const std::vector<HostCard>& cards,
                                const std::string& folder, std::vector<std::u16string>* components,
                                int* error) {
    components->clear();
    *error = 0;
    if (folder.empty()) return HOST_PLACE_MISSING;

    // Without its trailing slashes a file reads as "not a folder" rather
    // than as a missing path.
    std::string named = folder;
    while (named.size() > 1 && named.back() == '/') named.pop_back();
    char resolved[PATH_MAX];
    if (!realpath(named.c_str(), resolved)) {
        if (errno == ENOENT || errno == ENOTDIR) return HOST_PLACE_MISSING;
        *error = errno;
        return HOST_PLACE_UNREADABLE;
    }
    struct stat facts;
    if (stat(resolved, &facts) != 0) {
        *error = errno;
        return HOST_PLACE_UNREADABLE;
    }
    if (!S_ISDIR(facts.st_mode)) return HOST_PLACE_NOT_FOLDER;

    char rootResolved[PATH_MAX];
    if (!realpath(rootFolder.c_str(), rootResolved)) return HOST_PLACE_OUTSIDE_ROOT;
    const std::string root = rootResolved;
    const std::string path = resolved;
    std::string relative;  // below the root, no leading "/"
    if (root == "/") {
        relative = path.substr(1);
    } else if (Holds(root, path)) {
        relative = path.substr(std::min(path.size(), root.size() + 1));
    } else {
        return HOST_PLACE_OUTSIDE_ROOT;
    }

    // The drive is the card with the longest mount point that holds the
    // folder (cards may lie inside cards), else the object store.
    const HostCard* card = nullptr;
    for (const HostCard& candidate : cards) {
        if (candidate.relativePath.empty() || !Holds(candidate.relativePath, relative)) continue;
        if (!card || candidate.relativePath.size() > card->relativePath.size()) card = &candidate;
    }
    dev_t device;
    std::string below;  // the path from the drive down
    if (card) {
        device = card->device;
        below = relative.substr(std::min(relative.size(), card->relativePath.size() + 1));
        components->push_back(DecodedName(card->relativePath));
    } else {
        struct stat rootFacts;
        if (stat(root.c_str(), &rootFacts) != 0) {
            *error = errno;
            return HOST_PLACE_UNREADABLE;
        }
        device = rootFacts.st_dev;
        below = relative;
        components->push_back(u"\\");
    }

    // Listings leave out every entry of another file system, so each folder
    // on the way down must share the drive's: the walk every change takes.
    std::string drivePath = root == "/" ? "" : root;
    if (card) drivePath += "/" + card->relativePath;
    int walked = open(drivePath.empty() ? "/" : drivePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat driveFacts;
    if (walked < 0 || fstat(walked, &driveFacts) != 0) {
        *error = errno;
        if (walked >= 0) close(walked);
        components->clear();
        return HOST_PLACE_UNREADABLE;
    }
    if (driveFacts.st_dev != device) {
        close(walked);
        components->clear();
        return HOST_PLACE_NOT_ON_DRIVE;
    }
    int walkError = 0;
    walked = OpenFoldersOnDrive(walked, below, device, &walkError);
    if (walked < 0) {
        components->clear();
        if (walkError == EXDEV) return HOST_PLACE_NOT_ON_DRIVE;
        *error = walkError;
        return HOST_PLACE_UNREADABLE;
    }
    close(walked);
    size_t start = 0;
    while (start < below.size()) {
        size_t end = below.find('/', start);
        if (end == std::string::npos) end = below.size();
        if (end > start) components->push_back(DecodedName(below.substr(start, end - start)));
        start = end + 1;
    }
    components->push_back(std::u16string());
    return HOST_PLACE_OK;
}
