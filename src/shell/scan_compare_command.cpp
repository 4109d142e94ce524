#include "shell/scan_compare_command.h"

#include <malloc.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "model/item_tree.h"
#include "model/scan_compare.h"
#include "model/scan_file.h"

namespace {

constexpr int COMPARE_HEAP_PAD = 64 << 20;

int Refuse(const std::string& message) {
    std::fprintf(stderr, "volumetra: %s\n", message.c_str());
    return COMPARE_FAILED;
}

std::string Grouped(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

std::string ChangeText(const SizeChange& change) {
    return (change.negative ? "-" : "+") + Grouped(change.magnitude);
}

// A path on one line: control characters and the backslash written as C
// escapes ("\n", "\x01", "\\"), every other byte as it is.
std::string OneLinePath(const std::string& path) {
    static const char HEX[] = "0123456789abcdef";
    std::string text;
    for (char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\\') text += "\\\\";
        else if (c == '\n') text += "\\n";
        else if (c == '\t') text += "\\t";
        else if (byte < 0x20 || byte == 0x7F) text += std::string("\\x") + HEX[byte >> 4] + HEX[byte & 0xF];
        else text.push_back(c);
    }
    return text;
}

void PrintEntries(FILE* out, const char* heading, const std::vector<ScanChange>& entries) {
    std::fprintf(out, "%s\n", heading);
    if (entries.empty()) std::fputs("  (none)\n", out);
    for (const ScanChange& entry : entries) {
        std::string line = "  " + ChangeText(entry.change) + "  ";
        line += OneLinePath(entry.path);
        if (entry.kind == CHANGE_NEW) line += "  (new)";
        if (entry.kind == CHANGE_GONE) line += "  (gone)";
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), out);
    }
}

}  // namespace

int RunScanCompare(const std::string& earlierFile, const std::string& laterFile, size_t top, FILE* out) {
    if (earlierFile == "-" && laterFile == "-") return Refuse("only one of the two scan files can be standard input");
    sizeCount = SIZE_DISK_USAGE;
    // Two whole trees are built at once and live until the end: the heap
    // grows in large steps rather than a page at a time.
    mallopt(M_TOP_PAD, COMPARE_HEAP_PAD);
    ScanFileContents earlier;
    ScanFileContents later;
    std::string earlierError;
    std::string laterError;
    // The two files are read at once, each on a thread of its own.
    bool earlierRead = false;
    std::thread reader([&] { earlierRead = OpenScanFile(earlierFile, &earlier, &earlierError); });
    bool laterRead = OpenScanFile(laterFile, &later, &laterError);
    reader.join();
    int code = 0;
    if (!earlierRead) {
        code = Refuse(earlierError);
    } else if (!laterRead) {
        code = Refuse(laterError);
    } else {
        ScanComparison comparison;
        CompareScans(earlier.root, later.root, top, earlier.rootPath, later.rootPath, &comparison);
        std::string heading = "Grew most (" + earlier.rootPath + " -> " + later.rootPath + "):";
        PrintEntries(out, heading.c_str(), comparison.grown);
        PrintEntries(out, "Shrank most:", comparison.shrunk);
        std::string totals = "Total: " + Grouped(comparison.totalBefore) + " -> " + Grouped(comparison.totalAfter) +
                             " (" + ChangeText(ChangeBetween(comparison.totalBefore, comparison.totalAfter)) + ")\n";
        std::fwrite(totals.data(), 1, totals.size(), out);
        if (std::fflush(out) != 0) code = Refuse(std::string("standard output: ") + std::strerror(errno));
    }
    FreeScanFile(&earlier);
    FreeScanFile(&later);
    return code;
}
