#include "support/compare_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "support/scan_file_trees.h"

namespace {

bool Write(const std::string& path, size_t bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << std::string(bytes, 'y');
    return bool(file);
}

}  // namespace

std::string CompareOddName() { return "raw\xff\xfe\x80"; }

bool BuildCompareBefore(const std::string& folder) {
    return BuildScanFileFixture(folder) && Write(folder + "/" + COMPARE_LINKED, 12000);
}

bool ChangeCompareFixture(const std::string& folder) {
    const std::string r = folder + "/";
    return Write(r + COMPARE_GROWN, 205000) && unlink((r + COMPARE_REMOVED).c_str()) == 0 &&
           mkdir((r + COMPARE_ADDED).c_str(), 0755) == 0 && Write(r + COMPARE_ADDED + "/new.bin", 30000) &&
           rename((r + COMPARE_RENAMED_FROM).c_str(), (r + COMPARE_RENAMED_TO).c_str()) == 0 &&
           Write(r + "docs/" + CompareOddName(), 40000) &&
           link((r + COMPARE_LINKED).c_str(), (r + COMPARE_LINK).c_str()) == 0;
}

long long DuBytes(const std::string& path) {
    std::string command = "du -sx -B1 '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long long value = -1;
    if (std::fscanf(pipe, "%lld", &value) != 1) value = -1;
    pclose(pipe);
    return value;
}

long long OwnDiskBytes(const std::string& path) {
    struct stat facts;
    return lstat(path.c_str(), &facts) == 0 ? static_cast<long long>(facts.st_blocks) * 512 : -1;
}
