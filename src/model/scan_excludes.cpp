#include "model/scan_excludes.h"

#include <fnmatch.h>

#include <cerrno>
#include <cstring>
#include <fstream>

void ScanExcludes::AddPattern(const std::string& given) {
    std::string pattern = given;
    while (!pattern.empty() && (pattern.back() == '\n' || pattern.back() == '\r')) pattern.pop_back();
    // The path below the scanned folder has no leading "/".
    if (pattern.size() > 1 && pattern[0] == '/') pattern.erase(0, 1);
    if (pattern.empty()) return;
    if (pattern.find('/') != std::string::npos) ++pathPatterns;
    patterns.push_back(pattern);
}

bool ScanExcludes::AddPatternsFrom(const std::string& fileName, std::string* error) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        *error = std::strerror(errno ? errno : ENOENT);
        return false;
    }
    std::string line;
    while (std::getline(file, line)) AddPattern(line);
    if (file.bad()) {
        *error = std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

void ScanExcludes::Clear() {
    patterns.clear();
    pathPatterns = 0;
    caches = false;
}

bool ScanExcludes::Excludes(const char* name, const std::string* pathBelow) const {
    for (const std::string& pattern : patterns) {
        bool onPath = pattern.find('/') != std::string::npos;
        // As a shell takes a path: "*" and "?" never match a "/".
        if (onPath ? (pathBelow && fnmatch(pattern.c_str(), pathBelow->c_str(), FNM_PATHNAME) == 0)
                   : fnmatch(pattern.c_str(), name, 0) == 0)
            return true;
    }
    return false;
}

bool IsCacheTag(const char* bytes, size_t length) {
    return length >= SCAN_CACHE_TAG_SIGNATURE_LENGTH &&
           std::memcmp(bytes, SCAN_CACHE_TAG_SIGNATURE, SCAN_CACHE_TAG_SIGNATURE_LENGTH) == 0;
}
