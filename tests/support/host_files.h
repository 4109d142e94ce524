// Files of host fixtures, written at test time.
#pragma once

#include <fstream>
#include <string>

// Writes bytes "x" characters to the file at path.
inline void WriteFile(const std::string& path, size_t bytes) {
    std::ofstream file(path, std::ios::binary);
    file << std::string(bytes, 'x');
}
