// Compressed scan files and the comparison: whatever bytes a file holds,
// reading it as a file that may be compressed never crashes and leaks
// nothing, a refused file says why, and a tree read compares with itself as
// unchanged (every entry matched by its own name, duplicates included).
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "model/item_tree.h"
#include "model/scan_compare.h"
#include "model/scan_file.h"
#include "model/zstd_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    FILE* raw = fmemopen(const_cast<char*>(input.data()), input.size(), "rb");
    if (!raw) return 0;
    ZstdInput* state = nullptr;
    FILE* file = OpenZstdInput(raw, true, &state);
    FuzzCheck(file != nullptr, "a reading stream opens");
    ScanFileContents contents;
    std::string error;
    const bool read = ReadScanFile(file, &contents, &error);
    const bool damaged = !ZstdInputFailure(state).empty();
    fclose(file);
    FuzzCheck(read || !error.empty(), "a refused file says why");
    FuzzCheck(!read || !damaged, "a file whose compressed data are damaged is refused");
    if (!read) return 0;
    ScanComparison same;
    CompareScans(contents.root, contents.root, 5, contents.rootPath, contents.rootPath, &same);
    FuzzCheck(same.grown.empty() && same.shrunk.empty(), "a tree compared with itself is unchanged");
    FuzzCheck(same.totalBefore == same.totalAfter, "a tree's total equals itself");
    FreeScanFile(&contents);
    return 0;
}
