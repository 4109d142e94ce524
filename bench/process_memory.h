// What the benchmarks read of their own process' memory.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

// A figure of /proc/self/status in kilobytes: "VmRSS:" now, "VmHWM:" the peak.
inline long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    }
    return 0;
}
