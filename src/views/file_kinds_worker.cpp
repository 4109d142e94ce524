#include "views/file_kinds_worker.h"

#include <utility>

namespace {

void RunWorker(FileKindsWorker* worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    for (;;) {
        worker->wake.wait(held, [worker] { return worker->quit || worker->waiting; });
        if (worker->quit) return;
        const ItemNode* place = worker->next;
        const uint64_t serial = worker->nextSerial;
        worker->waiting = false;
        worker->reading = true;
        worker->stop.store(false, std::memory_order_relaxed);
        held.unlock();

        FileKindsTally tally;
        const bool counted = TallyFileKinds(place, &worker->stop, &tally);

        held.lock();
        worker->reading = false;
        worker->stopped.notify_all();
        // A count cut short, or one a newer request overtook, is not shown.
        const bool report = counted && !worker->waiting && !worker->stop.load(std::memory_order_relaxed);
        if (report) {
            worker->tally = std::move(tally);
            worker->ready = true;
            worker->readySerial = serial;
        }
        held.unlock();
        // The tally's item pointers are dropped outside the lock too: only
        // memory of the worker's own.
        tally = FileKindsTally();
        if (report) worker->report(worker->reportContext);
        held.lock();
    }
}

}  // namespace

bool StartFileKindsWorker(FileKindsWorker* worker, void (*report)(void* context), void* context) {
    worker->report = report;
    worker->reportContext = context;
    worker->quit = false;
    worker->waiting = false;
    worker->reading = false;
    worker->ready = false;
    worker->stop.store(false);
    worker->thread = std::thread(RunWorker, worker);
    worker->started = worker->thread.joinable();
    return worker->started;
}

void RequestFileKinds(FileKindsWorker* worker, const ItemNode* place, uint64_t serial) {
    std::lock_guard<std::mutex> held(worker->lock);
    worker->next = place;
    worker->nextSerial = serial;
    worker->waiting = true;
    if (worker->reading) worker->stop.store(true, std::memory_order_relaxed);
    worker->wake.notify_one();
}

bool StopFileKindsReading(FileKindsWorker* worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    const bool cut = worker->waiting || worker->reading;
    worker->waiting = false;
    worker->next = nullptr;
    if (worker->reading) worker->stop.store(true, std::memory_order_relaxed);
    worker->stopped.wait(held, [worker] { return !worker->reading; });
    // A tally finished just before holds pointers that may go stale.
    if (worker->ready) {
        worker->ready = false;
        worker->tally = FileKindsTally();
        return true;
    }
    return cut;
}

bool TakeFileKindsTally(FileKindsWorker* worker, uint64_t serial, FileKindsTally* tally) {
    std::lock_guard<std::mutex> held(worker->lock);
    if (!worker->ready) return false;
    worker->ready = false;
    const bool newest = worker->readySerial == serial;
    if (newest) *tally = std::move(worker->tally);
    worker->tally = FileKindsTally();
    return newest;
}

void StopFileKindsWorker(FileKindsWorker* worker) {
    if (!worker->started) return;
    {
        std::lock_guard<std::mutex> held(worker->lock);
        worker->quit = true;
        worker->waiting = false;
        worker->stop.store(true);
        worker->wake.notify_one();
    }
    worker->thread.join();
    worker->started = false;
}
