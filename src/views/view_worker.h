// The thread behind a view that works on the item tree away from the
// interface: the interface hands it the newest request and goes on, a newer
// request stops the one being worked on, and a finished result waits until
// the interface takes it. While it works, the thread reads the item tree:
// whoever changes or frees items first stops the work and, by waiting or by
// asking, makes sure the thread reads nothing. The work looks at its stop
// word every few hundred entries, so that takes microseconds.
//
// Request is a record with a `uint64_t serial` that grows with every
// request; Result is what the work makes, moved to the interface.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>

template <typename Request, typename Result>
struct ViewWorker {
    std::thread thread;
    std::mutex lock;                  // guards the fields below it up to stop
    std::condition_variable wake;     // the thread waits for a request
    std::condition_variable idle;     // WaitViewWorkIdle waits for the thread
    bool started = false;
    bool quit = false;
    bool waiting = false;  // a request not yet taken
    Request next{};
    bool reading = false;  // a request is being worked on: the tree is read
    bool ready = false;    // a finished result not yet taken
    uint64_t readySerial = 0;
    Result result{};
    std::atomic<bool> stop{false};
    // Works on a request on the thread, outside the lock; false when stopped
    // part-way (the result is then dropped).
    bool (*run)(const Request& request, const std::atomic<bool>* stop, Result* result, void* context) = nullptr;
    // Called on the thread after every request taken, outside the lock, with
    // whether its result waits to be taken; it must only post to the
    // interface thread.
    void (*report)(void* context, bool kept) = nullptr;
    void* context = nullptr;
};

namespace view_worker {

template <typename Request, typename Result>
void Run(ViewWorker<Request, Result>* worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    for (;;) {
        worker->wake.wait(held, [worker] { return worker->quit || worker->waiting; });
        if (worker->quit) return;
        const Request request = worker->next;
        worker->waiting = false;
        worker->reading = true;
        worker->stop.store(false, std::memory_order_relaxed);
        held.unlock();

        Result made{};
        const bool done = worker->run(request, &worker->stop, &made, worker->context);

        held.lock();
        worker->reading = false;
        worker->idle.notify_all();
        // A result stopped part-way, or one a newer request overtook, is not
        // shown.
        const bool kept = done && !worker->waiting && !worker->stop.load(std::memory_order_relaxed);
        if (kept) {
            worker->result = std::move(made);
            worker->ready = true;
            worker->readySerial = request.serial;
        }
        held.unlock();
        // What a dropped result holds goes outside the lock too: only memory
        // of the thread's own.
        made = Result{};
        worker->report(worker->context, kept);
        held.lock();
    }
}

}  // namespace view_worker

// Starts the worker's thread; false when it could not be made.
template <typename Request, typename Result>
bool StartViewWorker(ViewWorker<Request, Result>* worker,
                     bool (*run)(const Request&, const std::atomic<bool>*, Result*, void*),
                     void (*report)(void* context, bool kept), void* context) {
    worker->run = run;
    worker->report = report;
    worker->context = context;
    worker->quit = false;
    worker->waiting = false;
    worker->reading = false;
    worker->ready = false;
    worker->stop.store(false);
    worker->thread = std::thread(view_worker::Run<Request, Result>, worker);
    worker->started = worker->thread.joinable();
    return worker->started;
}

// Hands over request in place of any request not yet taken, and stops the
// one being worked on.
template <typename Request, typename Result>
void RequestViewWork(ViewWorker<Request, Result>* worker, const Request& request) {
    std::lock_guard<std::mutex> held(worker->lock);
    worker->next = request;
    worker->waiting = true;
    if (worker->reading) worker->stop.store(true, std::memory_order_relaxed);
    worker->wake.notify_one();
}

// Drops the request not yet taken and stops the one being worked on,
// without waiting. Returns whether the thread still reads the tree; *dropped
// (where given) says whether a request was dropped or stopped.
template <typename Request, typename Result>
bool CancelViewWork(ViewWorker<Request, Result>* worker, bool* dropped = nullptr) {
    std::lock_guard<std::mutex> held(worker->lock);
    if (dropped) *dropped = worker->waiting || worker->reading;
    worker->waiting = false;
    worker->next = Request{};
    if (worker->reading) worker->stop.store(true, std::memory_order_relaxed);
    return worker->reading;
}

// Waits until the thread reads nothing, then drops a result not yet taken,
// whose item pointers may go stale. Returns whether one was dropped.
template <typename Request, typename Result>
bool WaitViewWorkIdle(ViewWorker<Request, Result>* worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    worker->idle.wait(held, [worker] { return !worker->reading; });
    if (!worker->ready) return false;
    worker->ready = false;
    worker->result = Result{};
    return true;
}

// Whether the thread reads the tree now or is about to.
template <typename Request, typename Result>
bool ViewWorkerBusy(ViewWorker<Request, Result>* worker) {
    std::lock_guard<std::mutex> held(worker->lock);
    return worker->reading || worker->waiting;
}

// Takes the finished result of request serial; false when there is none (or
// only an older one, which is dropped).
template <typename Request, typename Result>
bool TakeViewResult(ViewWorker<Request, Result>* worker, uint64_t serial, Result* result) {
    std::lock_guard<std::mutex> held(worker->lock);
    if (!worker->ready) return false;
    worker->ready = false;
    const bool newest = worker->readySerial == serial;
    if (newest) *result = std::move(worker->result);
    worker->result = Result{};
    return newest;
}

// Ends the thread; it reads nothing afterwards. Any work is stopped first,
// so the join waits at most for the stop word to be seen.
template <typename Request, typename Result>
void StopViewWorker(ViewWorker<Request, Result>* worker) {
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
