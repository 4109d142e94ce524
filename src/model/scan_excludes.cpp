#include "model/scan_excludes.h"

#include <fnmatch.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

ExcludeGlob ClassifyExcludeGlob(const std::string& glob) {
    ExcludeGlob sorted;
    sorted.glob = glob;
    const size_t special = glob.find_first_of("*?[\\");
    if (special == std::string::npos) {
        sorted.kind = EXCLUDE_LITERAL;
        sorted.head = glob;
        return sorted;
    }
    if (glob.find_first_of("?[\\") == std::string::npos) {
        // Stars alone: one run of them splits the glob into a head and a
        // tail; runs at both ends leave a middle to be found anywhere.
        const size_t firstStar = special;
        const size_t lastStar = glob.rfind('*');
        if (glob.find_first_not_of('*', firstStar) > lastStar) {
            sorted.kind = EXCLUDE_HEAD_TAIL;
            sorted.head = glob.substr(0, firstStar);
            sorted.tail = glob.substr(lastStar + 1);
            return sorted;
        }
        if (firstStar == 0 && lastStar == glob.size() - 1) {
            const size_t begin = glob.find_first_not_of('*');
            const size_t end = glob.find_last_not_of('*') + 1;
            if (glob.find('*', begin) >= end) {
                sorted.kind = EXCLUDE_MIDDLE;
                sorted.head = glob.substr(begin, end - begin);
                return sorted;
            }
        }
    }
    // What lies before the first wildcard or escape, and after the last one
    // or the last bracket's end, is matched byte for byte by fnmatch.
    sorted.kind = EXCLUDE_FNMATCH;
    sorted.head = glob.substr(0, special);
    size_t tailStart = glob.size();
    while (tailStart > 0 && std::string_view("*?[]\\").find(glob[tailStart - 1]) == std::string_view::npos)
        --tailStart;
    sorted.tail = glob.substr(tailStart);
    return sorted;
}

// Byte comparisons decide exactly what fnmatch does in any locale: a valid
// multibyte name matches literal bytes only at whole characters, and fnmatch
// compares bytes where a name or glob is not valid in the locale.
bool MatchesExcludeGlob(const ExcludeGlob& glob, const char* name, size_t length) {
    const std::string& head = glob.head;
    const std::string& tail = glob.tail;
    switch (glob.kind) {
    case EXCLUDE_LITERAL:
        return length == head.size() && std::memcmp(name, head.data(), length) == 0;
    case EXCLUDE_MIDDLE:
        return std::string_view(name, length).find(head) != std::string_view::npos;
    case EXCLUDE_HEAD_TAIL:
    case EXCLUDE_FNMATCH:
        if (length < head.size() + tail.size() || std::memcmp(name, head.data(), head.size()) != 0 ||
            std::memcmp(name + length - tail.size(), tail.data(), tail.size()) != 0)
            return false;
        return glob.kind == EXCLUDE_HEAD_TAIL || fnmatch(glob.glob.c_str(), name, 0) == 0;
    }
    return false;
}

void ScanExcludes::AddPattern(const std::string& given) {
    std::string pattern = given;
    while (!pattern.empty() && (pattern.back() == '\n' || pattern.back() == '\r')) pattern.pop_back();
    // The path below the scanned folder has no leading "/".
    if (pattern.size() > 1 && pattern[0] == '/') pattern.erase(0, 1);
    if (pattern.empty()) return;
    patterns.push_back(pattern);
    const size_t lastSlash = pattern.rfind('/');
    if (lastSlash == std::string::npos) {
        ExcludeGlob glob = ClassifyExcludeGlob(pattern);
        if (glob.kind == EXCLUDE_LITERAL) {
            literalLengths |= uint64_t(1) << std::min<size_t>(pattern.size(), 63);
            literalNames.insert(pattern);
        } else {
            nameGlobs.push_back(std::move(glob));
        }
        return;
    }
    PathPattern path;
    path.pattern = pattern;
    // A bracket may hold a "/" and an escape may hide one: such a pattern
    // does not split at its slashes.
    path.whole = pattern.find_first_of("[\\") != std::string::npos;
    if (!path.whole) {
        path.folderPart = pattern.substr(0, lastSlash);
        path.last = ClassifyExcludeGlob(pattern.substr(lastSlash + 1));
        for (char c : pattern) path.depth += c == '/';
    }
    anyWholePath = anyWholePath || path.whole;
    pathPatterns.push_back(std::move(path));
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
    literalNames.clear();
    literalLengths = 0;
    nameGlobs.clear();
    pathPatterns.clear();
    anyWholePath = false;
    caches = false;
}

bool ScanExcludes::NeedsFolderPath(size_t depth) const {
    if (anyWholePath) return true;
    for (const PathPattern& path : pathPatterns) {
        if (path.depth == depth) return true;
    }
    return false;
}

bool ScanExcludes::ScopeFor(size_t depth, const std::string& folderPath, ExcludeScope* scope) const {
    scope->names.clear();
    scope->paths.clear();
    for (const PathPattern& path : pathPatterns) {
        // As a shell takes a path: "*" and "?" never match a "/", so the
        // folder part matches the folder's path as a whole.
        if (path.whole)
            scope->paths.push_back(&path.pattern);
        else if (path.depth == depth && fnmatch(path.folderPart.c_str(), folderPath.c_str(), FNM_PATHNAME) == 0)
            scope->names.push_back(&path.last);
    }
    if (!scope->paths.empty()) {
        scope->path = folderPath;
        if (!folderPath.empty()) scope->path.push_back('/');
        scope->folderLength = scope->path.size();
    }
    return !literalNames.empty() || !nameGlobs.empty() || !scope->names.empty() || !scope->paths.empty();
}

bool ScanExcludes::Excludes(const char* name, size_t length, ExcludeScope* scope) const {
    if ((literalLengths >> std::min<size_t>(length, 63) & 1) &&
        literalNames.find(std::string_view(name, length)) != literalNames.end())
        return true;
    for (const ExcludeGlob& glob : nameGlobs) {
        if (MatchesExcludeGlob(glob, name, length)) return true;
    }
    for (const ExcludeGlob* glob : scope->names) {
        if (MatchesExcludeGlob(*glob, name, length)) return true;
    }
    if (scope->paths.empty()) return false;
    scope->path.resize(scope->folderLength);
    scope->path.append(name, length);
    for (const std::string* pattern : scope->paths) {
        if (fnmatch(pattern->c_str(), scope->path.c_str(), FNM_PATHNAME) == 0) return true;
    }
    return false;
}

bool ScanExcludes::ExcludesPath(const std::string& pathBelow) const {
    const size_t lastSlash = pathBelow.rfind('/');
    const std::string folderPath = lastSlash == std::string::npos ? std::string() : pathBelow.substr(0, lastSlash);
    const std::string name = pathBelow.substr(lastSlash == std::string::npos ? 0 : lastSlash + 1);
    size_t depth = 0;
    for (char c : pathBelow) depth += c == '/';
    ExcludeScope scope;
    return ScopeFor(depth, folderPath, &scope) && Excludes(name.c_str(), name.size(), &scope);
}

bool IsCacheTag(const char* bytes, size_t length) {
    return length >= SCAN_CACHE_TAG_SIGNATURE_LENGTH &&
           std::memcmp(bytes, SCAN_CACHE_TAG_SIGNATURE, SCAN_CACHE_TAG_SIGNATURE_LENGTH) == 0;
}
