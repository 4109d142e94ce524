// Scan files: whatever bytes a file holds, reading it never crashes and
// leaks nothing; a file it accepts holds a consistent tree, and writing that
// tree and reading it again gives a file that writes back byte for byte.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "model/item_tree.h"
#include "model/scan_file.h"

namespace {

// Every record's parent is the folder that holds it, and every total is its
// own size and its entries' totals.
void CheckTree(const ItemNode* folder) {
    uint64_t sum = CountedSize(folder);
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode* child = &folder->children[i];
        FuzzCheck(child->parent == folder, "a record's parent is the folder that holds it");
        FuzzCheck(child->name != nullptr && child->name[0] != 0, "every entry has a name");
        CheckTree(child);
        sum += child->total;
    }
    FuzzCheck(folder->total == sum, "a total is the sizes below it");
}

bool Read(const std::string& bytes, ScanFileContents* contents) {
    FILE* file = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    if (!file) return false;
    std::string error;
    bool read = ReadScanFile(file, contents, &error);
    fclose(file);
    FuzzCheck(read || !error.empty(), "a refused file says why");
    return read;
}

std::string Write(const ScanFileContents& contents) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* file = open_memstream(&buffer, &size);
    FuzzCheck(file != nullptr, "a memory stream opens");
    ScanFileSource source;
    source.top = contents.root;
    source.rootPath = contents.rootPath;
    source.hardLinks = &contents.hardLinks;
    source.progver = contents.progver;
    source.timestamp = contents.timestamp;
    std::string error;
    FuzzCheck(WriteScanFile(file, source, &error), "a tree read can be written");
    fclose(file);
    std::string written(buffer, size);
    std::free(buffer);
    return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    ScanFileContents first;
    if (!Read(input, &first)) return 0;
    CheckTree(first.root);
    const std::string written = Write(first);
    FreeScanFile(&first);

    ScanFileContents second;
    FuzzCheck(Read(written, &second), "what the program wrote it reads back");
    CheckTree(second.root);
    FuzzCheck(Write(second) == written, "a file written from a file read writes back the same");
    FreeScanFile(&second);
    return 0;
}
