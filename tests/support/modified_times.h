// A table of last-write times a 32-bit count of seconds from 1970 cannot
// hold (before 1970, past 2038 and 2106, two within one second), set on host
// files with utimensat, for the tests that follow them through the scan.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct ModifiedTime {
    const char* name;
    int64_t seconds;      // since 1970 UTC, negative before
    int64_t nanoseconds;  // 0 to 999,999,999
    const char* shown;    // the Modified text in UTC (a year other than the current one)
};

// Sorted oldest first; the two of 2023 lie 0.3 s apart within one second,
// and the later of them is the larger file.
inline std::vector<ModifiedTime> ModifiedTimeTable() {
    return {
        {"y1960", -315619200, 0, "01/01  1960"},             // 1960-01-01
        {"y1970", 0, 0, "01/01  1970"},                      // 1970-01-01, the epoch itself
        {"second-a", 1700000000, 200000000, "11/14  2023"},  // 2023-11-14 22:13:20.2
        {"second-b", 1700000000, 500000000, "11/14  2023"},  // 0.3 s later
        {"y2038", 2147558400, 0, "01/20  2038"},             // 2038-01-20
        {"y2106", 4295030400, 0, "02/08  2106"},             // 2106-02-08
        {"y2200", 7258118400, 0, "01/01  2200"},             // 2200-01-01
    };
}

// Writes every file of the table into folder (the i-th of i + 1 times 8 KiB,
// so that disk usage tells them apart too) and sets its last-write time;
// false when a file cannot be made or the file system does not keep the time
// to the nanosecond asked.
inline bool BuildModifiedTimes(const std::string& folder) {
    const std::vector<ModifiedTime> table = ModifiedTimeTable();
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string path = folder + "/" + table[i].name;
        std::ofstream(path) << std::string((i + 1) * 8192, 'x');
        struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(table[i].seconds), table[i].nanoseconds}};
        if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return false;
        struct stat facts;
        if (stat(path.c_str(), &facts) != 0 || facts.st_mtim.tv_sec != table[i].seconds ||
            facts.st_mtim.tv_nsec != table[i].nanoseconds)
            return false;
    }
    return true;
}
