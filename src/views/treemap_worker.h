// The thread that draws treemaps. The interface thread hands it the newest
// request and goes on; the worker lays out and draws into an image and
// reports when a picture is ready. A newer request cancels the one being
// drawn. While it draws, the worker reads the item tree: whoever changes or
// frees items first cancels and waits until the worker no longer reads
// (CancelTreemapWork, then TreemapWorkerReading turns false).
#pragma once

#include <cstdint>

#include "views/treemap_render.h"
#include "views/view_worker.h"

struct TreemapRequest {
    const ItemNode* place;
    int width;   // in image pixels
    int height;
    uint64_t serial;  // increases with every request
};

struct TreemapWorker {
    ViewWorker<TreemapRequest, TreemapPicture> work;
    // The thread's own, touched by it alone while it runs.
    TreemapCanvas canvas;
    // Called on the worker after each request, drawn or cancelled, outside
    // its lock; it must only post to the interface thread.
    void (*report)(void* context) = nullptr;
    void* reportContext = nullptr;
};

// Starts the worker's thread; false when it could not be made.
bool StartTreemapWorker(TreemapWorker* worker, void (*report)(void* context), void* context);

// Hands over request in place of any request not yet taken, and cancels the
// one being drawn.
void RequestTreemap(TreemapWorker* worker, const TreemapRequest& request);

// Drops the request not yet taken and cancels the one being drawn. Returns
// whether the worker still reads the tree; once a report says it does not,
// nothing is read until the next request.
bool CancelTreemapWork(TreemapWorker* worker);

// Whether the worker reads the tree now.
bool TreemapWorkerReading(TreemapWorker* worker);

// Takes the finished picture of the newest request into picture; false when
// there is none (or only an older one, which is dropped).
bool TakeTreemapPicture(TreemapWorker* worker, uint64_t newestSerial, TreemapPicture* picture);

// Ends the thread; the worker must not be reading (CancelTreemapWork and
// its report first), so the join does not wait on any drawing.
void StopTreemapWorker(TreemapWorker* worker);
