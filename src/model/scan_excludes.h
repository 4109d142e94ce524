// What a scan leaves out, as the terminal peers take it: shell globs matched
// against an entry's name, or against its path below the scanned folder
// when they hold a "/", and folders marked as caches by a valid
// CACHEDIR.TAG. Left-out entries are listed but not counted or entered; the
// scanned folder itself is never left out.
//
// A walk asks for every entry, so the patterns are sorted once into the
// cheapest test that decides each exactly as fnmatch would: literal names in
// a hash set, "head*tail" and "*middle*" by comparing bytes, fnmatch only for
// the rest. A path pattern of k slashes can only match entries of folders k
// deep (a "*", "?" or bracket never matches a "/"), so it is tried once per
// such folder against the folder's path and then acts as a name pattern on
// that folder's entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The file that marks a folder as a cache, and what it must begin with.
constexpr char SCAN_CACHE_TAG_NAME[] = "CACHEDIR.TAG";
constexpr char SCAN_CACHE_TAG_SIGNATURE[] = "Signature: 8a477f597d28d172789f06886806bc55";
constexpr size_t SCAN_CACHE_TAG_SIGNATURE_LENGTH = sizeof SCAN_CACHE_TAG_SIGNATURE - 1;

// How a glob of one name is decided.
enum ExcludeGlobKind : uint8_t {
    EXCLUDE_LITERAL,    // no wildcard: the name is head
    EXCLUDE_HEAD_TAIL,  // "head*tail" (either may be empty; "*" is both empty)
    EXCLUDE_MIDDLE,     // "*middle*"
    EXCLUDE_FNMATCH,    // anything else: fnmatch, once the name begins with head and ends with tail
};

struct ExcludeGlob {
    std::string glob;  // as fnmatch takes it
    std::string head;  // bytes every matching name begins with (the middle, for EXCLUDE_MIDDLE)
    std::string tail;  // bytes every matching name ends with
    ExcludeGlobKind kind = EXCLUDE_FNMATCH;
};

// Sorts a glob of one name (no "/") into its test.
ExcludeGlob ClassifyExcludeGlob(const std::string& glob);
// Whether name (host bytes, length of them, NUL-terminated, no "/") matches
// glob, as fnmatch(glob.glob, name, 0) says.
bool MatchesExcludeGlob(const ExcludeGlob& glob, const char* name, size_t length);

// The path patterns that can match the entries of one folder, readied once
// for the folder by ScanExcludes::ScopeFor and reused from folder to folder.
struct ExcludeScope {
    std::vector<const ExcludeGlob*> names;  // last parts of path patterns whose folder part this folder matched
    std::vector<const std::string*> paths;  // path patterns tried against each entry's whole path
    std::string path;                       // for those: the folder's path below the scanned folder, then the entry's
    size_t folderLength = 0;                // the folder's part of path, with its "/"
};

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
    // Every pattern as given, in order.
    const std::vector<std::string>& Patterns() const { return patterns; }

    // Whether a path pattern may match entries of a folder depth components
    // below the scanned folder (0 for it): ScopeFor then needs its path.
    bool NeedsFolderPath(size_t depth) const;
    // Readies scope for the entries of a folder depth components below the
    // scanned folder; folderPath is its path below it in host bytes ("a/b",
    // "" for the scanned folder), needed only where NeedsFolderPath says.
    // False when no pattern can match any entry of the folder.
    bool ScopeFor(size_t depth, const std::string& folderPath, ExcludeScope* scope) const;
    // Whether the entry name (host bytes, length of them, NUL-terminated) of
    // the folder scope was readied for is left out.
    bool Excludes(const char* name, size_t length, ExcludeScope* scope) const;
    // The same for one entry by its path below the scanned folder
    // ("a/b/name").
    bool ExcludesPath(const std::string& pathBelow) const;

private:
    // A pattern holding a "/".
    struct PathPattern {
        std::string pattern;     // whole, as fnmatch takes it with FNM_PATHNAME
        std::string folderPart;  // all but its last component
        ExcludeGlob last;        // its last component, against names
        size_t depth = 0;        // its slashes: the depth of the folders whose entries it can match
        bool whole = false;      // holds a bracket or an escape: tried against whole paths at every depth
    };
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
    };

    std::vector<std::string> patterns;
    std::unordered_set<std::string, NameHash, std::equal_to<>> literalNames;
    uint64_t literalLengths = 0;  // bit min(length, 63) set for each literal name's length
    std::vector<ExcludeGlob> nameGlobs;
    std::vector<PathPattern> pathPatterns;
    bool anyWholePath = false;
    bool caches = false;
};

// Whether a file beginning with bytes marks its folder as a cache.
bool IsCacheTag(const char* bytes, size_t length);
