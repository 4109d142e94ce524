// Host fixtures, built at test time.
#pragma once

#include <sys/stat.h>

#include <cstdlib>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

// Writes bytes "x" characters to the file at path.
inline void WriteFile(const std::string& path, size_t bytes) {
    std::ofstream file(path, std::ios::binary);
    file << std::string(bytes, 'x');
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
