#include "views/treemap_worker.h"

#include <utility>
#include <vector>

namespace {

void RunWorker(TreemapWorker* worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    for (;;) {
        worker->wake.wait(held, [worker] { return worker->quit || worker->waiting; });
        if (worker->quit) return;
        const TreemapRequest request = worker->next;
        worker->waiting = false;
        worker->reading = true;
        worker->cancel.store(false, std::memory_order_relaxed);
        held.unlock();

        TreemapPicture picture;
        const bool drawn = RenderTreemap(request.place, request.width, request.height, &worker->canvas,
                                         &worker->cancel, &picture);
        // Between pictures the worker keeps only the kinds it knows: the
        // layout's working memory goes.
        std::vector<TreemapScratch::Entry>().swap(worker->canvas.scratch.entries);

        held.lock();
        worker->reading = false;
        // A picture cancelled half-way, or one a newer request overtook, is
        // not shown.
        if (drawn && !worker->waiting) {
            worker->picture = std::move(picture);
            worker->ready = true;
            worker->readySerial = request.serial;
        }
        held.unlock();
        worker->report(worker->reportContext);
        held.lock();
    }
}

}  // namespace

bool StartTreemapWorker(TreemapWorker* worker, void (*report)(void* context), void* context) {
    worker->report = report;
    worker->reportContext = context;
    worker->quit = false;
    worker->waiting = false;
    worker->reading = false;
    worker->ready = false;
    worker->cancel.store(false);
    worker->thread = std::thread(RunWorker, worker);
    worker->started = worker->thread.joinable();
    return worker->started;
}

void RequestTreemap(TreemapWorker* worker, const TreemapRequest& request) {
    std::lock_guard<std::mutex> held(worker->lock);
    worker->next = request;
    worker->waiting = true;
    if (worker->reading) worker->cancel.store(true, std::memory_order_relaxed);
    worker->wake.notify_one();
}

bool CancelTreemapWork(TreemapWorker* worker) {
    std::lock_guard<std::mutex> held(worker->lock);
    worker->waiting = false;
    if (worker->reading) worker->cancel.store(true, std::memory_order_relaxed);
    return worker->reading;
}

bool TreemapWorkerReading(TreemapWorker* worker) {
    std::lock_guard<std::mutex> held(worker->lock);
    return worker->reading || worker->waiting;
}

bool TakeTreemapPicture(TreemapWorker* worker, uint64_t newestSerial, TreemapPicture* picture) {
    std::lock_guard<std::mutex> held(worker->lock);
    if (!worker->ready) return false;
    worker->ready = false;
    if (worker->readySerial != newestSerial) {
        worker->picture = TreemapPicture();
        return false;
    }
    *picture = std::move(worker->picture);
    worker->picture = TreemapPicture();
    return true;
}

void StopTreemapWorker(TreemapWorker* worker) {
    if (!worker->started) return;
    {
        std::lock_guard<std::mutex> held(worker->lock);
        worker->quit = true;
        worker->waiting = false;
        worker->cancel.store(true);
        worker->wake.notify_one();
    }
    worker->thread.join();
    worker->started = false;
}
