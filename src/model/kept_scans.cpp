#include "model/kept_scans.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "model/scan_file.h"

namespace {

const char KEPT_SCAN_SUFFIX[] = ".json.zst";

std::string ErrorText(int error) { return std::strerror(error); }

// Makes folder and the folders above it that are missing, private to the
// user: kept scans name every file of a drive.
bool MakeFolders(const std::string& folder, std::string* error) {
    std::string path;
    size_t at = 0;
    while (at != std::string::npos) {
        size_t next = folder.find('/', at + 1);
        path = folder.substr(0, next);
        at = next;
        if (path.empty() || path == "/") continue;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            *error = path + ": " + ErrorText(errno);
            return false;
        }
    }
    struct stat facts;
    if (stat(folder.c_str(), &facts) != 0 || !S_ISDIR(facts.st_mode)) {
        *error = folder + ": " + ErrorText(errno ? errno : ENOTDIR);
        return false;
    }
    return true;
}

// The entries of a folder but "." and ".."; none when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (!listing) return names;
    while (dirent* entry = readdir(listing)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        names.emplace_back(entry->d_name);
    }
    closedir(listing);
    return names;
}

// The kept scans in one drive's folder, oldest first.
std::vector<KeptScan> ScansIn(const std::string& folder) {
    std::vector<KeptScan> scans;
    for (const std::string& name : FolderNames(folder)) {
        KeptScan scan;
        if (!ParseKeptScanName(name, &scan.time, &scan.sequence)) continue;
        scan.fileName = folder + "/" + name;
        struct stat facts;
        if (lstat(scan.fileName.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) continue;
        scan.bytes = static_cast<uint64_t>(facts.st_size);
        scans.push_back(std::move(scan));
    }
    std::sort(scans.begin(), scans.end(), [](const KeptScan& a, const KeptScan& b) {
        return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
    });
    return scans;
}

}  // namespace

std::string KeptScansFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    // The base directory rules: a relative path is to be ignored.
    if (state && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        return std::string();
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/volumetra/scans";
}

std::string KeptDriveFolderName(const std::string& drivePath) {
    std::string name;
    for (char c : drivePath) {
        if (c == '%') name += "%25";
        else if (c == '/') name += "%2F";
        else name.push_back(c);
    }
    return name.empty() ? std::string("%2F") : name;
}

std::string KeptScanName(int64_t time, uint32_t sequence) {
    std::time_t seconds = static_cast<std::time_t>(time);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H-%M-%SZ", &parts);
    std::string name = text;
    if (sequence > 0) name += "." + std::to_string(sequence);
    return name + KEPT_SCAN_SUFFIX;
}

bool ParseKeptScanName(const std::string& name, int64_t* time, uint32_t* sequence) {
    const size_t suffix = sizeof KEPT_SCAN_SUFFIX - 1;
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, KEPT_SCAN_SUFFIX) != 0) return false;
    std::string stem = name.substr(0, name.size() - suffix);
    std::tm parts{};
    int used = 0;
    if (std::sscanf(stem.c_str(), "%4d-%2d-%2dT%2d-%2d-%2dZ%n", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &used) != 6 || used != 20)
        return false;
    *sequence = 0;
    if (static_cast<size_t>(used) < stem.size()) {
        std::string rest = stem.substr(static_cast<size_t>(used));
        if (rest.size() < 2 || rest[0] != '.' || rest.find_first_not_of("0123456789", 1) != std::string::npos ||
            rest.size() > 10)
            return false;
        *sequence = static_cast<uint32_t>(std::strtoul(rest.c_str() + 1, nullptr, 10));
    }
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    *time = static_cast<int64_t>(timegm(&parts));
    return true;
}

std::vector<KeptScan> ListKeptScans(const KeptScans& kept, const std::string& drivePath) {
    if (kept.folder.empty()) return {};
    std::vector<KeptScan> scans = ScansIn(kept.folder + "/" + KeptDriveFolderName(drivePath));
    std::reverse(scans.begin(), scans.end());
    return scans;
}

bool KeepScan(const KeptScans& kept, const std::string& drivePath, const ScanFileSource& source, int64_t time,
              std::string* keptFile, std::string* error) {
    if (kept.folder.empty()) {
        *error = "no state folder: neither XDG_STATE_HOME nor HOME is set";
        return false;
    }
    const std::string folder = kept.folder + "/" + KeptDriveFolderName(drivePath);
    if (!MakeFolders(folder, error)) return false;
    // A scan of the same second as one kept already gets the next number.
    std::string fileName;
    for (uint32_t sequence = 0;; ++sequence) {
        fileName = folder + "/" + KeptScanName(time, sequence);
        struct stat facts;
        if (lstat(fileName.c_str(), &facts) != 0) break;
    }
    if (!ExportCompressedScanFile(fileName, source, error)) return false;
    *keptFile = fileName;
    PruneKeptScans(kept);
    return true;
}

void PruneKeptScans(const KeptScans& kept) {
    if (kept.folder.empty()) return;
    std::vector<KeptScan> all;
    for (const std::string& drive : FolderNames(kept.folder)) {
        std::vector<KeptScan> scans = ScansIn(kept.folder + "/" + drive);
        size_t drop = scans.size() > kept.countMax ? scans.size() - kept.countMax : 0;
        for (size_t i = 0; i < scans.size(); ++i) {
            if (i < drop)
                unlink(scans[i].fileName.c_str());
            else
                all.push_back(std::move(scans[i]));
        }
    }
    uint64_t total = 0;
    for (const KeptScan& scan : all) total += scan.bytes;
    std::sort(all.begin(), all.end(), [](const KeptScan& a, const KeptScan& b) {
        return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
    });
    for (const KeptScan& scan : all) {
        if (total <= kept.bytesMax) break;
        if (unlink(scan.fileName.c_str()) == 0) total -= scan.bytes;
    }
}

bool ForgetKeptScans(const KeptScans& kept, std::string* error) {
    if (kept.folder.empty()) return true;
    bool sound = true;
    for (const std::string& drive : FolderNames(kept.folder)) {
        const std::string folder = kept.folder + "/" + drive;
        for (const std::string& name : FolderNames(folder)) {
            const std::string fileName = folder + "/" + name;
            if (unlink(fileName.c_str()) != 0 && sound) {
                sound = false;
                *error = fileName + ": " + ErrorText(errno);
            }
        }
        if (rmdir(folder.c_str()) != 0 && errno != ENOENT && sound) {
            sound = false;
            *error = folder + ": " + ErrorText(errno);
        }
    }
    return sound;
}
