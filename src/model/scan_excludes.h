// What a scan leaves out, as the terminal peers take it: shell globs matched
// against an entry's name, or against its path below the scanned folder
// when they hold a "/", and folders marked as caches by a valid
// CACHEDIR.TAG. Left-out entries are listed but not counted or entered; the
// scanned folder itself is never left out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The file that marks a folder as a cache, and what it must begin with.
constexpr char SCAN_CACHE_TAG_NAME[] = "CACHEDIR.TAG";
constexpr char SCAN_CACHE_TAG_SIGNATURE[] = "Signature: 8a477f597d28d172789f06886806bc55";
constexpr size_t SCAN_CACHE_TAG_SIGNATURE_LENGTH = sizeof SCAN_CACHE_TAG_SIGNATURE - 1;

class ScanExcludes {
public:
    // A pattern in host bytes; an empty one is ignored, a leading "/" is the
    // scanned folder.
    void AddPattern(const std::string& pattern);
    // Adds the patterns of a file, one a line (blank lines ignored). False,
    // with *error the system's reason, when it cannot be read.
    bool AddPatternsFrom(const std::string& fileName, std::string* error);
    void SetCaches(bool on) { caches = on; }
    void Clear();

    bool Caches() const { return caches; }
    bool Empty() const { return patterns.empty() && !caches; }
    bool HasPathPatterns() const { return pathPatterns > 0; }
    // Every pattern as given, in order.
    const std::vector<std::string>& Patterns() const { return patterns; }

    // Whether the entry name (host bytes) is left out; pathBelow is its path
    // below the scanned folder ("a/b/name"), needed only with path patterns.
    bool Excludes(const char* name, const std::string* pathBelow) const;

private:
    std::vector<std::string> patterns;
    size_t pathPatterns = 0;
    bool caches = false;
};

// Whether a file beginning with bytes marks its folder as a cache.
bool IsCacheTag(const char* bytes, size_t length);
