#include "platform/input_spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The spooled input's name while the program runs; empty before.
std::string spooledPath;

// A file in folder that no folder entry names: O_TMPFILE where the file
// system has it, else a fresh name removed at once. -1 on failure.
int OpenUnnamedFile(const std::string& folder) {
    int file = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return file;
    std::string pattern = folder + "/volumetra-input-XXXXXX";
    file = mkostemp(pattern.data(), O_CLOEXEC);
    if (file >= 0) unlink(pattern.c_str());
    return file;
}

bool WriteAll(int file, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = write(file, bytes, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool SpoolStandardInput(std::string* path, std::string* error) {
    if (!spooledPath.empty()) {
        *error = "standard input can be read only once";
        return false;
    }
    const char* temporary = std::getenv("TMPDIR");
    const std::string folder = temporary && *temporary ? temporary : "/tmp";
    const int file = OpenUnnamedFile(folder);
    if (file < 0) {
        *error = folder + ": " + std::strerror(errno);
        return false;
    }
    static char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || !WriteAll(file, buffer, static_cast<size_t>(got))) {
            *error = std::string("standard input: ") + std::strerror(errno);
            close(file);
            return false;
        }
    }
    // Kept open for the whole run: each reading opens it anew from its start
    // through the descriptor's name, and it goes when the program ends.
    spooledPath = "/proc/self/fd/" + std::to_string(file);
    *path = spooledPath;
    return true;
}

bool IsSpooledInput(const std::string& path) { return !spooledPath.empty() && path == spooledPath; }
