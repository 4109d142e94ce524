// Reading scan files: RapidJSON's event reader, iterative so no nesting
// reaches the stack, feeds one handler that keeps the entries of each open
// folder in scratch and makes the folder's block when its array ends.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include "model/item_tree.h"
#include "model/scan_file.h"
#include "model/zstd_stream.h"
#include "platform/heap_pages.h"
#include "platform/host_names.h"
#include "platform/storage_device.h"

namespace {

constexpr size_t SCANFILE_READ_BUFFER = 256 * 1024;

// The input as RapidJSON reads it: buffered, counting lines and columns for
// messages only when one is needed. The runs of plain characters inside
// texts are copied in bulk (see ScanCopyUnescapedString below), which is
// also where a text longer than SCANFILE_STRING_BYTES_MAX is refused: the
// input ends there, before the reader has gathered it.
struct ScanFileInput {
    typedef char Ch;

    FILE* file;
    std::vector<char> buffer = std::vector<char>(SCANFILE_READ_BUFFER);
    size_t filled = 0;
    size_t at = 0;
    size_t offset = 0;  // bytes taken before buffer[0]
    // The line and column of buffer[counted]: the bytes taken are counted
    // only when the buffer is replaced or a message needs the place, not one
    // by one as they are read.
    size_t line = 1;
    size_t column = 1;
    size_t counted = 0;
    bool stringTooLong = false;
    bool readFailed = false;

    explicit ScanFileInput(FILE* input) : file(input) {}

    // Reads on once the buffer is used up; a stopped input stays at its end.
    bool Fill() {
        if (at < filled) return true;
        if (stringTooLong || readFailed) return false;
        Fold(filled);
        counted = 0;
        offset += filled;
        at = 0;
        filled = std::fread(buffer.data(), 1, buffer.size(), file);
        if (filled == 0 && std::ferror(file)) readFailed = true;
        return filled > 0;
    }
    Ch Peek() { return at < filled || Fill() ? buffer[at] : '\0'; }
    Ch Take() { return at < filled || Fill() ? buffer[at++] : '\0'; }
    size_t Tell() const { return offset + at; }
    // Ends the input here: what follows is never read.
    void Stop() {
        Fold(at);
        counted = 0;
        offset += at;
        filled = at = 0;
    }
    // Counts lines and columns on to buffer[upTo].
    void Fold(size_t upTo) {
        const char* from = buffer.data() + counted;
        const char* end = buffer.data() + upTo;
        while (const char* newline = static_cast<const char*>(std::memchr(from, '\n', size_t(end - from)))) {
            ++line;
            column = 1;
            from = newline + 1;
        }
        column += size_t(end - from);
        counted = upTo;
    }
    // Never written; RapidJSON's stream concept asks for them.
    Ch* PutBegin() { return nullptr; }
    void Put(Ch) {}
    void Flush() {}
    size_t PutEnd(Ch*) { return 0; }
};

// Which bytes end a run of plain text characters: the quote, the backslash
// and the control characters, which the reader handles one by one.
struct TextStops {
    bool stops[256];
    constexpr TextStops() : stops() {
        for (int c = 0; c < 0x20; ++c) stops[c] = true;
        stops[static_cast<unsigned char>('"')] = stops[static_cast<unsigned char>('\\')] = true;
    }
};
constexpr TextStops TEXT_STOPS;

// Whitespace between tokens, skipped over the buffer.
void SkipWhitespace(ScanFileInput& input) {
    for (;;) {
        while (input.at < input.filled) {
            char c = input.buffer[input.at];
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
            ++input.at;
        }
        if (!input.Fill()) return;
    }
}

}  // namespace

namespace rapidjson {

// The reader's hook for copying a text's plain characters: over the input's
// buffer a run at a time rather than a character at a time, stopping the
// input once the text grows past SCANFILE_STRING_BYTES_MAX. It is called
// again after every escape, so escaped characters count too.
template <>
template <>
inline void GenericReader<UTF8<>, UTF8<>, CrtAllocator>::ScanCopyUnescapedString(
    ScanFileInput& input, GenericReader<UTF8<>, UTF8<>, CrtAllocator>::StackStream<char>& output) {
    for (;;) {
        const char* from = input.buffer.data() + input.at;
        const char* end = input.buffer.data() + input.filled;
        const char* stop = from;
        while (stop < end && !TEXT_STOPS.stops[static_cast<unsigned char>(*stop)]) ++stop;
        size_t run = size_t(stop - from);
        if (output.Length() + run > SCANFILE_STRING_BYTES_MAX) {
            input.at += std::min(run, SCANFILE_STRING_BYTES_MAX + 1 - std::min(output.Length(), SCANFILE_STRING_BYTES_MAX));
            input.stringTooLong = true;
            input.Stop();
            return;
        }
        if (run > 0) {
            std::memcpy(output.Push(static_cast<SizeType>(run)), from, run);
            input.at += run;
        }
        if (stop < end || !input.Fill()) return;
    }
}

}  // namespace rapidjson

namespace {

// Where in the file's structure the next event belongs.
enum ScanFilePlace {
    PLACE_START,       // the top array's "["
    PLACE_MAJOR,       // the major version, 1
    PLACE_MINOR,       // the minor version
    PLACE_METADATA,    // the metadata object
    PLACE_META_KEY,    // inside the metadata object
    PLACE_ROOT,        // the root folder's "["
    PLACE_FOLDER_INFO, // the info object that opens a folder
    PLACE_INFO_KEY,    // inside an info object
    PLACE_ENTRIES,     // a folder's entries, or its "]"
    PLACE_AFTER_ROOT,  // further top-level elements, which are ignored
    PLACE_DONE,
};

// The fields of the info object being read.
struct EntryInfo {
    std::string name;
    bool hasName = false;
    uint64_t asize = 0;
    uint64_t dsize = 0;
    bool hasDev = false;
    uint64_t dev = 0;
    bool hasIno = false;
    uint64_t ino = 0;
    uint64_t nlink = 0;
    bool hlnkc = false;
    bool readError = false;
    bool excluded = false;
    bool notreg = false;
    int64_t modified = 0;  // TimeStamp; 0 when unknown

    // Empties the fields; the name keeps its buffer.
    void Clear() {
        std::string kept = std::move(name);
        kept.clear();
        *this = EntryInfo{};
        name = std::move(kept);
    }
};

// A link met in a folder still open: its record's place in the folder's
// scratch until the block exists.
struct PendingLink {
    size_t record;
    uint64_t dev;
    uint64_t ino;
    uint32_t nlink;
};

// The entries of one open folder. Each record's name starts at the offset
// kept in its total (total is computed once the tree is whole), NUL-ended.
struct OpenFolder {
    std::vector<ItemNode> records;
    std::vector<char16_t> names;
    std::vector<PendingLink> links;
    uint64_t dev = 0;        // entries without a dev of their own lie on it
    bool readError = false;  // the folder's own info said read_error
    bool holdsExcluded = false;  // some entry of it was excluded
    bool excluded = false;
    bool incomplete = false; // an unreadable folder lies below
};

enum ScanFileKey {
    KEY_UNKNOWN,
    KEY_NAME,
    KEY_ASIZE,
    KEY_DSIZE,
    KEY_DEV,
    KEY_INO,
    KEY_NLINK,
    KEY_HLNKC,
    KEY_READ_ERROR,
    KEY_EXCLUDED,
    KEY_NOTREG,
    KEY_MTIME,
    KEY_PROGNAME,
    KEY_PROGVER,
    KEY_TIMESTAMP,
};

struct KeyName {
    const char* text;
    ScanFileKey key;
};
const KeyName INFO_KEYS[] = {
    {"name", KEY_NAME},       {"asize", KEY_ASIZE},   {"dsize", KEY_DSIZE},           {"dev", KEY_DEV},
    {"ino", KEY_INO},         {"nlink", KEY_NLINK},   {"hlnkc", KEY_HLNKC},           {"read_error", KEY_READ_ERROR},
    {"excluded", KEY_EXCLUDED}, {"notreg", KEY_NOTREG}, {"mtime", KEY_MTIME},
};
const KeyName META_KEYS[] = {
    {"progname", KEY_PROGNAME}, {"progver", KEY_PROGVER}, {"timestamp", KEY_TIMESTAMP}};

// The known key of that text, or none.
template <size_t N>
const KeyName* FindKey(const KeyName (&keys)[N], const char* text, rapidjson::SizeType length) {
    for (const KeyName& known : keys) {
        // The first letter sorts out nearly every key before a comparison.
        if (known.text[0] == text[0] && std::strlen(known.text) == length && std::memcmp(known.text, text, length) == 0)
            return &known;
    }
    return nullptr;
}

// A number as JSON gave it: whole or not, its sign and magnitude.
struct Number {
    bool whole;
    bool negative;
    uint64_t magnitude;
};

class ScanFileHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ScanFileHandler> {
public:
    explicit ScanFileHandler(ScanFileContents* result) : contents(result) { StartHeapGrowth(&heapGrowth); }
    ~ScanFileHandler() { FreeOpenFolders(); }

    std::string problem;  // why the handler stopped the reader

    bool Done() const { return place == PLACE_DONE; }

    // RapidJSON's events.
    bool Null() { return Scalar("null"); }
    bool Bool(bool value) {
        if (skipping || place == PLACE_AFTER_ROOT) return true;
        if (place == PLACE_META_KEY && key == KEY_UNKNOWN) return true;
        if (place != PLACE_INFO_KEY) return Unexpected("true or false");
        switch (key) {
        case KEY_HLNKC: info.hlnkc = value; return true;
        case KEY_READ_ERROR: info.readError = value; return true;
        case KEY_NOTREG: info.notreg = value; return true;
        case KEY_EXCLUDED: info.excluded = value; return true;  // as old versions wrote it
        case KEY_UNKNOWN: return true;
        default: return Fail(std::string(KeyText()) + " must be a number or text, not true or false");
        }
    }
    bool Int(int value) { return Value(Number{true, value < 0, Magnitude(value)}); }
    bool Uint(unsigned value) { return Value(Number{true, false, value}); }
    bool Int64(int64_t value) { return Value(Number{true, value < 0, Magnitude(value)}); }
    bool Uint64(uint64_t value) { return Value(Number{true, false, value}); }
    bool Double(double value) { return Value(Number{false, value < 0, 0}); }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        if (skipping || place == PLACE_AFTER_ROOT) return true;
        if (place == PLACE_META_KEY) {
            if (key == KEY_PROGNAME) contents->progname.assign(text, length);
            else if (key == KEY_PROGVER) contents->progver.assign(text, length);
            else if (key != KEY_UNKNOWN) return Fail("timestamp must be a number");
            return true;
        }
        if (place != PLACE_INFO_KEY) return Unexpected("text");
        switch (key) {
        case KEY_NAME:
            info.name.assign(text, length);
            info.hasName = true;
            return true;
        case KEY_EXCLUDED: info.excluded = true; return true;  // the reason: pattern, othfs, kernfs...
        case KEY_UNKNOWN: return true;
        default: return Fail(std::string(KeyText()) + " must not be text");
        }
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        if (skipping) return true;
        const KeyName* known = place == PLACE_META_KEY ? FindKey(META_KEYS, text, length) : FindKey(INFO_KEYS, text, length);
        key = known ? known->key : KEY_UNKNOWN;
        // Messages name only known keys.
        keyText = known ? known->text : "";
        return true;
    }
    bool StartObject() {
        if (Skip() || place == PLACE_AFTER_ROOT) return true;
        switch (place) {
        case PLACE_METADATA: place = PLACE_META_KEY; return true;
        case PLACE_FOLDER_INFO:
        case PLACE_ENTRIES:
            infoOpensFolder = place == PLACE_FOLDER_INFO;
            info.Clear();
            place = PLACE_INFO_KEY;
            return true;
        case PLACE_META_KEY:
        case PLACE_INFO_KEY: return NestedFieldValue("an object");
        default: return Unexpected("an object");
        }
    }
    bool EndObject(rapidjson::SizeType) {
        if (skipping) return EndSkipped();
        if (place == PLACE_AFTER_ROOT) return true;
        if (place == PLACE_META_KEY) {
            place = PLACE_ROOT;
            return true;
        }
        return EndInfo();
    }
    bool StartArray() {
        if (Skip()) return true;
        if (place == PLACE_AFTER_ROOT) {
            ++afterRootDepth;
            return true;
        }
        switch (place) {
        case PLACE_START: place = PLACE_MAJOR; return true;
        case PLACE_ROOT:
        case PLACE_ENTRIES:
            if (depth >= SCANFILE_DEPTH_MAX)
                return Fail("folders nested deeper than " + std::to_string(SCANFILE_DEPTH_MAX) + " levels");
            place = PLACE_FOLDER_INFO;
            return true;
        case PLACE_META_KEY:
        case PLACE_INFO_KEY: return NestedFieldValue("a list");
        default: return Unexpected("a list");
        }
    }
    bool EndArray(rapidjson::SizeType) {
        if (skipping) return EndSkipped();
        if (place == PLACE_AFTER_ROOT) {
            if (afterRootDepth > 0) {
                --afterRootDepth;
                return true;
            }
            place = PLACE_DONE;
            return true;
        }
        if (place == PLACE_ENTRIES) return EndFolder();
        if (place == PLACE_FOLDER_INFO) return Fail("a folder without its info object");
        if (place == PLACE_ROOT || place == PLACE_MAJOR || place == PLACE_MINOR || place == PLACE_METADATA)
            return Fail("the file ends before its root folder");
        return Unexpected("the end of a list");
    }

    // Frees the blocks of the folders still open, after a failure.
    void FreeOpenFolders() {
        for (size_t d = 0; d < depth; ++d) {
            for (ItemNode& record : open[d].records) {
                if (record.children) FreeItemArray(record.children, record.childCount);
            }
        }
        depth = 0;
        open.clear();
        FreeItemArray(rootRecord, rootRecord ? 1 : 0);
        rootRecord = nullptr;
    }

    // The root, once the file is read; the handler lets go of it.
    ItemNode* TakeRoot() {
        ItemNode* root = rootRecord;
        rootRecord = nullptr;
        return root;
    }

private:
    template <typename T>
    static uint64_t Magnitude(T value) {
        return value < 0 ? uint64_t(0) - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    }

    bool Fail(const std::string& why) {
        problem = why;
        return false;
    }
    bool Unexpected(const char* what) {
        return Fail(std::string(what) + " where " + Expected() + " belongs");
    }
    const char* Expected() const {
        switch (place) {
        case PLACE_START: return "the opening list";
        case PLACE_MAJOR: return "the major version 1";
        case PLACE_MINOR: return "the minor version";
        case PLACE_METADATA: return "the metadata object";
        case PLACE_ROOT: return "the root folder";
        case PLACE_FOLDER_INFO: return "a folder's info object";
        case PLACE_ENTRIES: return "an entry";
        default: return "a value";
        }
    }
    const char* KeyText() const { return keyText; }

    // An object or a list as a field's value: an unknown field's is skipped
    // whole, however nested; a known field never holds one.
    bool NestedFieldValue(const char* what) {
        if (key == KEY_UNKNOWN) {
            skipping = 1;
            return true;
        }
        return Fail(FieldName() + " must not be " + what);
    }
    std::string FieldName() const { return place == PLACE_META_KEY ? "a metadata field" : keyText; }
    bool Skip() {
        if (!skipping) return false;
        ++skipping;
        return true;
    }
    bool EndSkipped() {
        --skipping;
        return true;
    }

    bool Scalar(const char* what) {
        if (skipping || place == PLACE_AFTER_ROOT) return true;
        if ((place == PLACE_INFO_KEY || place == PLACE_META_KEY) && key == KEY_UNKNOWN) return true;
        if (place == PLACE_INFO_KEY || place == PLACE_META_KEY) return Fail(FieldName() + " must not be " + what);
        return Unexpected(what);
    }

    bool Value(const Number& number) {
        if (skipping || place == PLACE_AFTER_ROOT) return true;
        switch (place) {
        case PLACE_MAJOR:
            if (!number.whole || number.negative || number.magnitude != 1)
                return Fail("major version is not 1: not a file this program can read");
            place = PLACE_MINOR;
            return true;
        case PLACE_MINOR:
            if (!number.whole || number.negative) return Fail("the minor version must be a whole number");
            place = PLACE_METADATA;
            return true;
        case PLACE_META_KEY:
            if (key == KEY_TIMESTAMP) {
                if (!number.whole) return Fail("timestamp must be a whole number");
                contents->timestamp = number.negative ? -int64_t(std::min<uint64_t>(number.magnitude, INT64_MAX))
                                                      : int64_t(std::min<uint64_t>(number.magnitude, INT64_MAX));
            } else if (key != KEY_UNKNOWN) {
                return Fail("progname and progver must be text");
            }
            return true;
        case PLACE_INFO_KEY: return InfoNumber(number);
        default: return Unexpected("a number");
        }
    }

    bool InfoNumber(const Number& number) {
        if (key == KEY_UNKNOWN) return true;
        if (key == KEY_MTIME) {
            if (!number.whole) return Fail("mtime must be a whole number of seconds");
            // A time no stamp holds stays unknown.
            int64_t seconds = int64_t(std::min<uint64_t>(number.magnitude, INT64_MAX));
            info.modified = TimeStampOfUnixTime(number.negative ? -seconds : seconds);
            return true;
        }
        uint64_t* field = nullptr;
        switch (key) {
        case KEY_ASIZE: field = &info.asize; break;
        case KEY_DSIZE: field = &info.dsize; break;
        case KEY_DEV: field = &info.dev, info.hasDev = true; break;
        case KEY_INO: field = &info.ino, info.hasIno = true; break;
        case KEY_NLINK: field = &info.nlink; break;
        default: return Fail(std::string(KeyText()) + " must not be a number");
        }
        // Fractions, negatives and numbers past 2^64 - 1 (which arrive as
        // fractions) are no sizes or identities.
        if (!number.whole || number.negative)
            return Fail(std::string(KeyText()) + " must be a whole number from 0 to 18446744073709551615");
        if (key == KEY_NLINK && number.magnitude > UINT32_MAX) return Fail("nlink past 4294967295");
        *field = number.magnitude;
        return true;
    }

    // The info object has ended: check the name and add the entry to its
    // folder, or open the folder it describes.
    bool EndInfo() {
        if (!info.hasName) return Fail("an entry without a name");
        bool isRoot = depth == 0;
        if (isRoot) {
            if (info.name.empty() || info.name.size() > SCANFILE_PATH_BYTES_MAX)
                return Fail("the root's path is empty or longer than " + std::to_string(SCANFILE_PATH_BYTES_MAX) +
                            " bytes");
        } else if (info.name.empty() || info.name.size() > SCANFILE_NAME_BYTES_MAX) {
            return Fail("a name that is empty or longer than " + std::to_string(SCANFILE_NAME_BYTES_MAX) + " bytes");
        }
        if (info.name.find('\0') != std::string::npos || (!isRoot && info.name.find('/') != std::string::npos))
            return Fail("a name with a \"/\" or a NUL, which no host name holds");
        if (isRoot && !infoOpensFolder) return Fail("the root is not a folder");

        ItemNode record{};
        record.ownSize = info.asize;
        record.diskSize = info.dsize;
        record.modified = info.modified;
        uint64_t dev = info.hasDev ? info.dev : (isRoot ? 0 : open[depth - 1].dev);
        if (isRoot) {
            contents->rootPath = info.name;
        } else {
            OpenFolder& parent = open[depth - 1];
            record.total = parent.names.size();
            DecodeHostName(info.name.data(), info.name.size(), &parent.names);
            parent.names.push_back(0);
            if (!infoOpensFolder && info.hasIno && (info.hlnkc || info.nlink > 1))
                parent.links.push_back({parent.records.size(), dev, info.ino, uint32_t(info.nlink)});
            if (info.excluded) {
                // Left out by the scan that wrote the file: listed, not counted.
                record.ownSize = record.diskSize = 0;
                parent.holdsExcluded = true;
                if (!infoOpensFolder) record.flags = ITEM_EXCLUDED;
            }
            if (!infoOpensFolder && info.readError) {
                // An entry whose facts could not be read: its sizes are
                // unknown, so its folder's total is a lower bound.
                record.flags = ITEM_UNREADABLE;
                record.readError = SCANFILE_READ_ERROR;
                parent.incomplete = true;
            }
            parent.records.push_back(record);
        }
        if (infoOpensFolder) {
            if (isRoot) rootInfo = record;
            // The scratch of each depth is kept for the next folder there.
            if (open.size() == depth) open.emplace_back();
            OpenFolder& folder = open[depth++];
            folder.dev = dev;
            folder.incomplete = false;
            folder.readError = info.readError;
            folder.holdsExcluded = false;
            folder.excluded = info.excluded;
        }
        place = PLACE_ENTRIES;
        return true;
    }

    // A folder's array has ended: its entries become one block, records in
    // reverse file order as a scan lists them, names packed behind.
    bool EndFolder() {
        OpenFolder& folder = open[depth - 1];
        size_t count = folder.records.size();
        ItemNode* block = nullptr;
        if (count > 0) {
            block = AllocateItemBlock(count, folder.names.size());
            if (!block) return Fail("out of memory");
            FollowHeapGrowth(&heapGrowth);
            char16_t* tail = NameTail(block, count);
            for (size_t i = 0; i < count; ++i) {
                ItemNode& record = block[i];
                record = folder.records[count - 1 - i];
                const char16_t* name = folder.names.data() + record.total;
                size_t length = std::char_traits<char16_t>::length(name);
                record.name = tail;
                tail = CopyName(tail, name, length);
                record.total = 0;
                // Its entries were made while it stood in scratch.
                for (uint32_t c = 0; c < record.childCount; ++c) record.children[c].parent = &record;
            }
            for (const PendingLink& link : folder.links)
                contents->hardLinks.push_back({link.dev, link.ino, &block[count - 1 - link.record], link.nlink});
        }
        uint32_t flags = ITEM_FOLDER | ITEM_SCANNED;
        // An excluded folder was never listed: ncdu gives its name only.
        if (folder.excluded) flags |= ITEM_EXCLUDED;
        if (folder.holdsExcluded) flags |= ITEM_HOLDS_EXCLUDED;
        if (folder.readError) flags |= ITEM_UNREADABLE;
        if (folder.incomplete) flags |= ITEM_INCOMPLETE;
        bool readError = folder.readError;
        bool unreadableBelow = folder.readError || folder.incomplete;
        ReleaseScratch(&folder);
        --depth;

        ItemNode* record;
        if (depth == 0) {
            rootRecord = MakeRoot();
            if (!rootRecord) {
                FreeItemArray(block, static_cast<uint32_t>(count));
                return Fail("out of memory");
            }
            record = rootRecord;
            place = PLACE_AFTER_ROOT;
        } else {
            record = &open[depth - 1].records.back();
            if (unreadableBelow) open[depth - 1].incomplete = true;
            place = PLACE_ENTRIES;
        }
        record->children = block;
        record->childCount = static_cast<uint32_t>(count);
        record->flags = flags;
        if (readError) record->readError = SCANFILE_READ_ERROR;
        for (size_t i = 0; i < count; ++i) block[i].parent = record;
        return true;
    }

    // Empties a folder's scratch for the next folder at its depth; a very
    // big one gives its memory back rather than hold it through the read.
    static void ReleaseScratch(OpenFolder* folder) {
        constexpr size_t KEPT_RECORDS = 64 * 1024;
        if (folder->records.capacity() > KEPT_RECORDS) {
            folder->records = {};
            folder->names = {};
            folder->links = {};
        }
        folder->records.clear();
        folder->names.clear();
        folder->links.clear();
    }

    // The root's record, alone in its block, named by its path.
    ItemNode* MakeRoot() {
        std::vector<char16_t> name;
        size_t length = DecodeHostName(contents->rootPath.data(), contents->rootPath.size(), &name);
        ItemNode* root = AllocateItemBlock(1, length + 1);
        if (!root) return nullptr;
        *root = rootInfo;
        root->name = CopyNameAt(root, name.data(), length);
        return root;
    }
    static const char16_t* CopyNameAt(ItemNode* block, const char16_t* name, size_t length) {
        char16_t* tail = NameTail(block, 1);
        CopyName(tail, name, length);
        return tail;
    }

    static char16_t* CopyName(char16_t* destination, const char16_t* name, size_t length) {
        std::memcpy(destination, name, length * sizeof(char16_t));
        destination[length] = 0;
        return destination + length + 1;
    }

    ScanFileContents* contents;
    ScanFilePlace place = PLACE_START;
    ScanFileKey key = KEY_UNKNOWN;
    const char* keyText = "";
    EntryInfo info;
    bool infoOpensFolder = false;
    uint32_t skipping = 0;       // depth inside an unknown field's value
    uint32_t afterRootDepth = 0; // depth inside ignored top-level elements
    std::vector<OpenFolder> open;  // [0, depth) are the folders open now
    size_t depth = 0;
    ItemNode rootInfo{};
    ItemNode* rootRecord = nullptr;
    HeapGrowth heapGrowth;
};

}  // namespace

bool ReadScanFile(FILE* file, ScanFileContents* contents, std::string* error) {
    *contents = ScanFileContents{};
    ScanFileInput input(file);
    ScanFileHandler handler(contents);
    rapidjson::Reader reader;
    rapidjson::ParseResult result = reader.Parse<rapidjson::kParseIterativeFlag>(input, handler);
    // A read that failed after the last list (a damaged end of a compressed
    // file, say) fails the whole: what was read may not be what was written.
    if (result && handler.Done() && !input.readFailed) {
        contents->root = handler.TakeRoot();
        MarkLinkRepeats(&contents->hardLinks);
        ComputeTotals(contents->root);
        return true;
    }
    std::string why;
    if (input.stringTooLong)
        why = "a text longer than " + std::to_string(SCANFILE_STRING_BYTES_MAX) + " bytes";
    else if (input.readFailed)
        why = std::string("the file cannot be read: ") + std::strerror(errno ? errno : EIO);
    else if (result.Code() == rapidjson::kParseErrorTermination)
        why = handler.problem;
    else if (result)
        why = "the file ends before its last list";
    else
        why = rapidjson::GetParseError_En(result.Code());
    input.Fold(input.at);
    *error = "line " + std::to_string(input.line) + ", column " + std::to_string(input.column) + ": " + why;
    handler.FreeOpenFolders();
    *contents = ScanFileContents{};
    return false;
}

bool OpenScanFile(const std::string& fileName, ScanFileContents* contents, std::string* error) {
    *contents = ScanFileContents{};
    const bool standardInput = fileName == "-";
    const std::string shownName = standardInput ? std::string("standard input") : fileName;
    FILE* raw = standardInput ? stdin : std::fopen(fileName.c_str(), "rb");
    if (!raw) {
        *error = fileName + ": " + std::strerror(errno);
        return false;
    }
    // A file compressed with zstd (as kept scans are) reads as its plain
    // text; any other file as it is.
    ZstdInput* state = nullptr;
    FILE* file = OpenZstdInput(raw, !standardInput, &state);
    if (!file) {
        if (!standardInput) std::fclose(raw);
        *error = shownName + ": " + std::strerror(ENOMEM);
        return false;
    }
    bool read = ReadScanFile(file, contents, error);
    std::string damage = ZstdInputFailure(state);
    std::fclose(file);
    if (!read) *error = shownName + ": " + (damage.empty() ? *error : damage);
    return read;
}

void FreeScanFile(ScanFileContents* contents) {
    if (contents->root) FreeItemArray(contents->root, 1);
    *contents = ScanFileContents{};
}
