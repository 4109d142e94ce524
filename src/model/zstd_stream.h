// Scan files compressed with zstd: a stdio stream that compresses what is
// written to it, and one that reads a file whether it is compressed or not.
// Both are ordinary FILE streams, so the scan file's writer and reader
// stream through them unchanged.
#pragma once

#include <cstdio>
#include <string>

// The level kept scans are written with: the fastest, and on scan files,
// whose text repeats within a few folders, as small as the next levels; a
// JSON export shrinks to about a tenth.
constexpr int ZSTD_STREAM_LEVEL = 1;
// The compressor's window (2^16 bytes): about half a megabyte of tables and
// buffers in all while writing, written right after a scan beside the whole
// tree. A wider window shrinks a scan file by a few per cent at most.
constexpr int ZSTD_STREAM_WINDOW_LOG = 16;

// A stream whose bytes go to raw as one zstd frame. Closing it ends the
// frame and flushes raw; raw itself is closed with it only when closeRaw.
// None when no compressor could be made.
FILE* OpenZstdOutput(FILE* raw, int level, bool closeRaw);

// The state of a reading stream, for the reason of a failure.
struct ZstdInput;

// A stream that reads raw: decompressed when it starts with a zstd frame
// (frames one after another are read as one), as it is otherwise. Closing it
// closes raw when closeRaw. *state (when asked for) stays valid until the
// stream is closed. None when no decompressor could be made.
FILE* OpenZstdInput(FILE* raw, bool closeRaw, ZstdInput** state);

// Why reading failed in the compressed data (a damaged or cut-off frame),
// or empty when it did not fail there.
std::string ZstdInputFailure(const ZstdInput* state);

// Whether the stream's data were compressed, as far as read.
bool ZstdInputCompressed(const ZstdInput* state);
