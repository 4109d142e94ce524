// Writes a scan file of a big, realistic tree in the JSON format the program
// and ncdu read: ENTRIES entries (default 10,000,000), a twentieth of them
// folders, depth up to 12, names of everyday lengths (a tenth in other
// scripts), and five folders of 100,000 files each. The same seed gives the
// same file.
//
//   make_scan_file FILE [ENTRIES] [SEED]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Random {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t Below(uint64_t bound) { return Next() % bound; }
};

const char* const WORDS[] = {
    "report", "photo", "backup", "invoice", "draft", "notes", "project", "music", "video", "archive",
    "config", "cache", "module", "assets", "build", "source", "test", "data", "export", "summary",
    "holiday", "family", "scan", "letter", "budget", "thesis", "camera", "release", "package", "library",
};
const char* const FOREIGN[] = {"dössier", "résumé", "файлы", "文件夹", "ファイル", "übersicht", "καλός", "наброски"};
const char* const EXTENSIONS[] = {".jpg", ".png", ".pdf", ".txt", ".docx", ".mp3", ".mp4", ".json",
                                  ".js", ".h", ".cpp", ".so", ".log", ".tar.gz", ".xlsx", ".html"};

template <size_t N>
const char* Pick(Random* random, const char* const (&list)[N]) {
    return list[random->Below(N)];
}

// A name of an everyday length: one or two words, a number, an extension for
// a file; unique in its folder by the index at its end.
void MakeName(Random* random, bool folder, uint64_t index, std::string* name) {
    name->clear();
    *name += random->Below(10) == 3 ? Pick(random, FOREIGN) : Pick(random, WORDS);
    if (random->Below(2)) {
        *name += random->Below(2) ? "_" : "-";
        *name += Pick(random, WORDS);
    }
    *name += "_";
    *name += std::to_string(index);
    if (!folder) *name += Pick(random, EXTENSIONS);
}

struct Writer {
    FILE* file;
    std::string buffer;
    void Flush() {
        std::fwrite(buffer.data(), 1, buffer.size(), file);
        buffer.clear();
    }
    void Entry(const std::string& name, uint64_t asize, uint64_t dsize, int64_t mtime) {
        buffer += "{\"name\":\"";
        buffer += name;
        buffer += "\",\"asize\":" + std::to_string(asize) + ",\"dsize\":" + std::to_string(dsize) +
                  ",\"mtime\":" + std::to_string(mtime) + "}";
        if (buffer.size() > (1 << 20)) Flush();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_scan_file FILE [ENTRIES] [SEED]\n");
        return 2;
    }
    const uint64_t entries = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000000;
    Random random{argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 24};
    const uint64_t folders = std::max<uint64_t>(entries / 20, 2);
    const uint64_t bigFolders = entries >= 2000000 ? 5 : 0;
    const uint64_t bigEntries = 100000;
    const int depthMax = 12;

    // The folders' shape: each hangs under an earlier one not yet at the
    // deepest level, mostly a recent one, so paths run deep and wide.
    std::vector<uint32_t> parent(folders, 0);
    std::vector<uint8_t> depth(folders, 0);
    for (uint64_t i = 1; i < folders; ++i) {
        uint64_t candidate = random.Below(4) == 0 ? random.Below(i) : i - 1 - random.Below(std::min<uint64_t>(i, 200));
        while (depth[candidate] >= depthMax - 1) candidate = parent[candidate];
        parent[i] = static_cast<uint32_t>(candidate);
        depth[i] = static_cast<uint8_t>(depth[candidate] + 1);
    }
    // Files: the big folders' share first, the rest spread at random.
    std::vector<uint32_t> files(folders, 0);
    uint64_t left = entries - (folders - 1);
    for (uint64_t b = 0; b < bigFolders && left >= bigEntries; ++b) {
        files[folders / 7 * (b + 1)] += bigEntries;
        left -= bigEntries;
    }
    for (; left > 0; --left) ++files[random.Below(folders)];
    // Children lists, in folder order.
    std::vector<uint32_t> firstChild(folders + 1, 0);
    for (uint64_t i = 1; i < folders; ++i) ++firstChild[parent[i] + 1];
    for (uint64_t i = 0; i < folders; ++i) firstChild[i + 1] += firstChild[i];
    std::vector<uint32_t> children(folders, 0);
    std::vector<uint32_t> filled(firstChild.begin(), firstChild.end() - 1);
    for (uint64_t i = 1; i < folders; ++i) children[filled[parent[i]]++] = static_cast<uint32_t>(i);

    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    Writer writer{out, {}};
    writer.buffer = "[1,2,{\"progname\":\"make_scan_file\",\"progver\":\"1\",\"timestamp\":1700000000},\n";
    // Depth first without recursion: a stack of (folder, next child index).
    std::vector<std::pair<uint32_t, uint32_t>> stack;
    std::string name;
    auto open = [&](uint32_t folder, uint64_t index) {
        writer.buffer += "[";
        if (folder == 0) {
            writer.Entry("/data", 4096, 4096, 1700000000);
        } else {
            MakeName(&random, true, index, &name);
            writer.Entry(name, 4096, 4096, 1500000000 + int64_t(random.Below(200000000)));
        }
        for (uint32_t f = 0; f < files[folder]; ++f) {
            MakeName(&random, false, f, &name);
            uint64_t size = random.Below(8) == 0 ? random.Below(1ull << 30) : random.Below(1 << 16);
            writer.buffer += ",\n";
            writer.Entry(name, size, (size + 4095) / 4096 * 4096, 1500000000 + int64_t(random.Below(200000000)));
        }
        stack.push_back({folder, 0});
    };
    open(0, 0);
    while (!stack.empty()) {
        auto& [folder, next] = stack.back();
        if (firstChild[folder] + next < firstChild[folder + 1]) {
            uint32_t child = children[firstChild[folder] + next];
            uint64_t index = next++;
            writer.buffer += ",\n";
            open(child, index);
        } else {
            writer.buffer += "]";
            stack.pop_back();
        }
    }
    writer.buffer += "]\n";
    writer.Flush();
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("wrote %s: %llu entries, %llu folders\n", argv[1], static_cast<unsigned long long>(entries),
                static_cast<unsigned long long>(folders));
    return 0;
}
