// Scan files written compressed: the plain writer streaming through a zstd
// stream into the same temporary file an export uses.
#include <cerrno>
#include <cstring>

#include "model/scan_file.h"
#include "model/zstd_stream.h"

bool ExportCompressedScanFile(const std::string& fileName, const ScanFileSource& source, std::string* error) {
    ScanFileOutput output;
    if (!BeginScanFile(fileName, &output, error)) return false;
    FILE* compressed = OpenZstdOutput(output.file, ZSTD_STREAM_LEVEL, false);
    if (!compressed) {
        *error = fileName + ": " + std::strerror(ENOMEM);
        EndScanFile(&output, false, error);
        return false;
    }
    std::string writeError;
    bool written = WriteScanFile(compressed, source, &writeError);
    // Closing ends the frame: only then is the file whole.
    if (std::fclose(compressed) != 0 && written) {
        written = false;
        writeError = std::strerror(errno ? errno : EIO);
    }
    if (!written) *error = fileName + ": " + writeError;
    return EndScanFile(&output, written, error) && written;
}
