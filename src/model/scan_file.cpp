// Writing scan files; reading them is in scan_file_read.cpp.
#include "model/scan_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <functional>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <rapidjson/filewritestream.h>
#include <rapidjson/writer.h>

#include "model/text.h"
#include "platform/host_names.h"

namespace {

// Big enough that writing costs few calls; small beside the tree, since a
// kept scan is written right after the scan, while the tree is at its peak.
constexpr size_t SCANFILE_WRITE_BUFFER = 64 * 1024;

using JsonWriter = rapidjson::Writer<rapidjson::FileWriteStream>;

// A name as a JSON string the way ncdu writes it: quote, backslash and the
// control characters (DEL too, which ncdu refuses raw) escaped, every other
// byte as it is. The writer's own escaping would pass DEL through.
void QuoteName(const std::string& bytes, std::string* out) {
    static const char HEX[] = "0123456789abcdef";
    out->clear();
    out->push_back('"');
    for (char c : bytes) {
        unsigned char byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '"': out->append("\\\""); break;
        case '\\': out->append("\\\\"); break;
        case '\n': out->append("\\n"); break;
        case '\t': out->append("\\t"); break;
        case '\r': out->append("\\r"); break;
        case '\b': out->append("\\b"); break;
        case '\f': out->append("\\f"); break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out->append("\\u00");
                out->push_back(HEX[byte >> 4]);
                out->push_back(HEX[byte & 0xF]);
            } else {
                out->push_back(c);
            }
        }
    }
    out->push_back('"');
}

// The walk of one export: the writer, scratch for names, and the links
// sorted by record for lookup.
struct ScanFileWriting {
    rapidjson::FileWriteStream* stream;
    JsonWriter* writer;
    const ScanFileSource* source;
    std::vector<const HardLink*> links;
    std::string hostName;
    std::string quoted;

    const HardLink* LinkOf(const ItemNode* item) const {
        auto at = std::lower_bound(links.begin(), links.end(), item,
                                   [](const HardLink* link, const ItemNode* wanted) { return link->item < wanted; });
        return at != links.end() && (*at)->item == item ? *at : nullptr;
    }

    void Name(const std::string& bytes) {
        QuoteName(bytes, &quoted);
        writer->Key("name");
        writer->RawValue(quoted.data(), quoted.size(), rapidjson::kStringType);
    }

    // The info object of item; name is its name in host bytes.
    void Info(const ItemNode* item, const std::string& bytes, bool isTop) {
        writer->StartObject();
        Name(bytes);
        bool ownSizes = !(isTop && (item->flags & ITEM_DRIVE));
        if (ownSizes && item->ownSize) {
            writer->Key("asize");
            writer->Uint64(item->ownSize);
        }
        if (ownSizes && item->diskSize) {
            writer->Key("dsize");
            writer->Uint64(item->diskSize);
        }
        if (isTop && source->hasVolumeId) {
            writer->Key("dev");
            writer->Uint64(source->volumeId);
        }
        if (const HardLink* link = (item->flags & ITEM_FOLDER) ? nullptr : LinkOf(item)) {
            // A link's identity is its device and inode: the device goes with
            // it wherever it is not the one in effect (the root's, when
            // known), so files of several devices that share inode numbers
            // stay apart when the file is read again.
            if (!source->hasVolumeId || link->volumeId != source->volumeId) {
                writer->Key("dev");
                writer->Uint64(link->volumeId);
            }
            writer->Key("ino");
            writer->Uint64(link->fileId);
            writer->Key("hlnkc");
            writer->Bool(true);
            writer->Key("nlink");
            writer->Uint(link->links);
        }
        if (item->flags & ITEM_EXCLUDED) {
            writer->Key("excluded");
            writer->String("pattern");
        }
        if (item->flags & ITEM_UNREADABLE) {
            writer->Key("read_error");
            writer->Bool(true);
        }
        // ncdu's mtime counts whole seconds from 1970 without a sign: a time
        // before 1970 is left out rather than written wrong.
        if (item->modified > 0) {
            writer->Key("mtime");
            writer->Uint64(static_cast<uint64_t>(UnixSecondsOfTimeStamp(item->modified)));
        }
        writer->EndObject();
    }

    static bool Skipped(const ItemNode* item) { return item->flags & (ITEM_REMOVED | ITEM_DATABASE); }

    // Depth first without recursion, so no nesting can exhaust the stack;
    // records go out last first, which is the order they were listed in.
    void Tree() {
        struct Open {
            const ItemNode* folder;
            uint32_t left;
        };
        std::vector<Open> open;
        const ItemNode* top = source->top;
        stream->Put('\n');
        writer->StartArray();
        Info(top, source->rootPath, true);
        open.push_back({top, top->childCount});
        while (!open.empty()) {
            Open& at = open.back();
            if (at.left == 0) {
                writer->EndArray();
                open.pop_back();
                continue;
            }
            const ItemNode* item = &at.folder->children[--at.left];
            if (Skipped(item)) continue;
            hostName.clear();
            EncodeHostPath(item->name, TextLength(item->name), &hostName);
            // One entry a line, as ncdu writes them; the comma leads.
            stream->Put('\n');
            if (item->flags & ITEM_FOLDER) {
                writer->StartArray();
                Info(item, hostName, false);
                open.push_back({item, item->childCount});
            } else {
                Info(item, hostName, false);
            }
        }
    }
};

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace

std::string HostPathBelow(const ItemNode* item, const ItemNode* top, const std::string& topPath) {
    std::vector<const ItemNode*> chain;
    for (const ItemNode* node = item; node && node != top; node = node->parent) chain.push_back(node);
    std::string path = topPath;
    for (size_t i = chain.size(); i-- > 0;) {
        if (path.empty() || path.back() != '/') path.push_back('/');
        EncodeHostPath(chain[i]->name, TextLength(chain[i]->name), &path);
    }
    return path;
}

bool WriteScanFile(FILE* file, const ScanFileSource& source, std::string* error) {
    std::vector<char> buffer(SCANFILE_WRITE_BUFFER);
    rapidjson::FileWriteStream stream(file, buffer.data(), buffer.size());
    JsonWriter writer(stream);
    ScanFileWriting writing{&stream, &writer, &source, {}, {}, {}};
    if (source.hardLinks) {
        writing.links.reserve(source.hardLinks->size());
        for (const HardLink& link : *source.hardLinks) writing.links.push_back(&link);
        std::sort(writing.links.begin(), writing.links.end(),
                  [](const HardLink* a, const HardLink* b) { return a->item < b->item; });
    }
    clearerr(file);
    writer.StartArray();
    writer.Uint(1);
    writer.Uint(2);
    writer.StartObject();
    writer.Key("progname");
    writer.String("volumetra");
    writer.Key("progver");
    writer.String(source.progver.data(), static_cast<rapidjson::SizeType>(source.progver.size()));
    writer.Key("timestamp");
    writer.Int64(source.timestamp);
    writer.EndObject();
    writing.Tree();
    writer.EndArray();
    stream.Put('\n');
    stream.Flush();
    if (std::fflush(file) != 0 || std::ferror(file)) {
        *error = ErrorText(errno ? errno : EIO);
        return false;
    }
    return true;
}

namespace {

// Where a shell's redirection would write: the name itself, or what the
// symbolic links it is (and their targets) point to, so that the target is
// replaced and the link stays a link.
std::string OutputTarget(const std::string& fileName) {
    std::string name = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat facts;
        if (lstat(name.c_str(), &facts) != 0 || !S_ISLNK(facts.st_mode)) return name;
        std::vector<char> target(PATH_MAX + 1);
        ssize_t length = readlink(name.c_str(), target.data(), PATH_MAX);
        if (length <= 0) return name;
        std::string points(target.data(), static_cast<size_t>(length));
        size_t slash = name.rfind('/');
        name = points[0] == '/' || slash == std::string::npos ? points : name.substr(0, slash + 1) + points;
    }
    return name;
}

// The folder that holds a file name, "." for a bare name.
std::string FolderOf(const std::string& name) {
    size_t slash = name.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : name.substr(0, slash);
}

// Makes an entry under a free name beside target with make (which fails
// with EEXIST where the name is taken) and returns that name: short, so
// that it fits wherever target's own name does. Empty, errno set, when
// make fails otherwise.
std::string MakeBeside(const std::string& target, const std::function<bool(const std::string&)>& make) {
    static std::atomic<unsigned> sequence{0};
    std::string folder = FolderOf(target);
    if (folder != "/") folder.push_back('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        unsigned mixed = static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(time(nullptr)) ^
                         (++sequence * 40503u);
        std::snprintf(name, sizeof name, ".volumetra-%08x", mixed);
        if (make(folder + name)) return folder + name;
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

bool SyncFolder(const std::string& folder) {
    int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) return false;
    bool ok = fsync(descriptor) == 0 || errno == EINVAL;  // some file systems cannot sync a folder
    close(descriptor);
    return ok;
}

}  // namespace

bool BeginScanFile(const std::string& fileName, ScanFileOutput* output, std::string* error) {
    *output = ScanFileOutput{};
    output->fileName = fileName;
    if (fileName == "-") {
        output->file = stdout;
        return true;
    }
    auto fail = [&](int number) {
        *error = fileName + ": " + ErrorText(number);
        return false;
    };
    output->target = OutputTarget(fileName);
    // A file replaced keeps its mode and, where permitted, its owner: a
    // private listing stays private.
    struct stat existing;
    bool replaces = stat(output->target.c_str(), &existing) == 0;
    if (replaces && S_ISDIR(existing.st_mode)) return fail(EISDIR);
    // The new contents are written unnamed beside the target (so the rename
    // stays on one file system and a scan of that folder never meets them),
    // or under a short free name where the file system has no unnamed files.
    std::string folder = FolderOf(output->target);
    int descriptor = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(errno);
    if (descriptor < 0) {
        output->temporary = MakeBeside(output->target, [&descriptor](const std::string& name) {
            descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return descriptor >= 0;
        });
        if (output->temporary.empty()) return fail(errno);
    }
    if (replaces) {
        if (fchown(descriptor, existing.st_uid, existing.st_gid) != 0) {
            // Not the owner's to give: the file becomes the writer's, as an
            // editor's save leaves it.
        }
        fchmod(descriptor, existing.st_mode & 07777);
    }
    output->file = fdopen(descriptor, "w");
    if (!output->file) {
        int number = errno;
        close(descriptor);
        if (!output->temporary.empty()) unlink(output->temporary.c_str());
        return fail(number);
    }
    return true;
}

bool EndScanFile(ScanFileOutput* output, bool keep, std::string* error) {
    if (!output->file) return false;
    if (output->target.empty()) {
        output->file = nullptr;
        return keep;
    }
    auto fail = [&](int number) {
        if (keep) *error = output->fileName + ": " + ErrorText(number);
        keep = false;
    };
    // On the disk before it takes the name: after a crash the name holds
    // the old file or the whole new one, never an empty one.
    int descriptor = fileno(output->file);
    if (keep && (std::fflush(output->file) != 0 || fsync(descriptor) != 0)) fail(errno);
    if (keep && output->temporary.empty()) {
        // The unnamed file gets a free name, then takes the target's.
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", descriptor);
        output->temporary = MakeBeside(output->target, [&self](const std::string& name) {
            return linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        });
        if (output->temporary.empty()) fail(errno);
    }
    if (std::fclose(output->file) != 0) fail(errno);
    output->file = nullptr;
    if (keep && std::rename(output->temporary.c_str(), output->target.c_str()) != 0) fail(errno);
    if (keep && !SyncFolder(FolderOf(output->target))) fail(errno);
    if (!keep && !output->temporary.empty()) unlink(output->temporary.c_str());
    return keep;
}

bool ExportScanFile(const std::string& fileName, const ScanFileSource& source, std::string* error) {
    ScanFileOutput output;
    if (!BeginScanFile(fileName, &output, error)) return false;
    std::string writeError;
    bool written = WriteScanFile(output.file, source, &writeError);
    if (!written) *error = (fileName == "-" ? std::string("standard output") : fileName) + ": " + writeError;
    return EndScanFile(&output, written, error) && written;
}
