// Host fixtures, built at test time.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// What du reports for path with the given options (-sx always), or -1.
inline long long Du(const std::string& options, const std::string& path) {
    std::string command = "du -sx " + options + " '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long long value = -1;
    if (std::fscanf(pipe, "%lld", &value) != 1) value = -1;
    pclose(pipe);
    return value;
}

// The bytes the entry at path occupies itself, and its apparent size; -1
// when it cannot be read.
inline long long OwnBlocks(const std::string& path) {
    struct stat facts;
    return lstat(path.c_str(), &facts) == 0 ? static_cast<long long>(facts.st_blocks) * 512 : -1;
}
inline long long OwnSize(const std::string& path) {
    struct stat facts;
    return lstat(path.c_str(), &facts) == 0 ? static_cast<long long>(facts.st_size) : -1;
}

// Writes bytes "x" characters to the file at path.
inline void WriteFile(const std::string& path, size_t bytes) {
    std::ofstream file(path, std::ios::binary);
    file << std::string(bytes, 'x');
}

// Makes a sparse file of size bytes: its apparent size is what it is, its
// disk usage nearly nothing.
inline void SparseFile(const std::string& path, off_t size) {
    WriteFile(path, 0);
    ASSERT_EQ(truncate(path.c_str(), size), 0) << path;
}

// The temporary folder of a host fixture: open to everyone, since some
// checks run as an ordinary user, and removed whole at the end, names Qt
// cannot decode included.
struct FixtureFolder {
    FixtureFolder() : root(folder.path().toStdString()) { chmod(root.c_str(), 0755); }
    ~FixtureFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    FixtureFolder(const FixtureFolder&) = delete;
    FixtureFolder& operator=(const FixtureFolder&) = delete;
    bool IsValid() const { return folder.isValid(); }

    QTemporaryDir folder;
    std::string root;
};

// Points XDG_DATA_HOME, and with it the desktop's trash, at a folder of the
// test while it lives: a test never touches the user's own trash.
struct ScopedDataHome {
    explicit ScopedDataHome(const std::string& folder) {
        const char* before = std::getenv("XDG_DATA_HOME");
        hadOne = before != nullptr;
        if (before) saved = before;
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~ScopedDataHome() {
        if (hadOne)
            setenv("XDG_DATA_HOME", saved.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
    }
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    std::string saved;
    bool hadOne = false;
};
