// The thread that counts the kinds of files and the largest files of a
// place. The interface thread hands it the newest place and goes on; a newer
// request cancels the one being counted. While it counts, the worker reads
// the item tree: whoever changes or frees items first calls
// StopFileKindsReading, which returns once the worker reads nothing. The
// worker looks at its stop word every few thousand entries, so that wait is
// a matter of microseconds, never the length of a count.
#pragma once

#include <cstdint>

#include "views/file_kinds_tally.h"
#include "views/view_worker.h"

struct FileKindsRequest {
    const ItemNode* place;
    uint64_t serial;
};

struct FileKindsWorker {
    ViewWorker<FileKindsRequest, FileKindsTally> work;
    // Called on the worker after each finished tally, outside its lock; it
    // must only post to the interface thread.
    void (*report)(void* context) = nullptr;
    void* reportContext = nullptr;
};

// Starts the worker's thread; false when it could not be made.
bool StartFileKindsWorker(FileKindsWorker* worker, void (*report)(void* context), void* context);

// Hands over place in place of any request not yet taken, and cancels the
// one being counted.
void RequestFileKinds(FileKindsWorker* worker, const ItemNode* place, uint64_t serial);

// Drops the request not yet taken, cancels the one being counted and waits
// until the worker reads no item. Returns whether a count was cut short or
// dropped (it has to be asked for again).
bool StopFileKindsReading(FileKindsWorker* worker);

// Takes the finished tally of request serial; false when there is none (or
// only an older one, which is dropped).
bool TakeFileKindsTally(FileKindsWorker* worker, uint64_t serial, FileKindsTally* tally);

// Ends the thread; it reads nothing afterwards.
void StopFileKindsWorker(FileKindsWorker* worker);
