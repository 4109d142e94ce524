#include "views/file_kinds_worker.h"

namespace {

bool Count(const FileKindsRequest& request, const std::atomic<bool>* stop, FileKindsTally* tally, void*) {
    return TallyFileKinds(request.place, stop, tally);
}

// Only a finished tally is reported.
void Report(void* context, bool kept) {
    FileKindsWorker* worker = static_cast<FileKindsWorker*>(context);
    if (kept) worker->report(worker->reportContext);
}

}  // namespace

bool StartFileKindsWorker(FileKindsWorker* worker, void (*report)(void* context), void* context) {
    worker->report = report;
    worker->reportContext = context;
    return StartViewWorker(&worker->work, Count, Report, worker);
}

void RequestFileKinds(FileKindsWorker* worker, const ItemNode* place, uint64_t serial) {
    RequestViewWork(&worker->work, FileKindsRequest{place, serial});
}

bool StopFileKindsReading(FileKindsWorker* worker) {
    bool cut = false;
    CancelViewWork(&worker->work, &cut);
    // A tally finished just before holds pointers that may go stale.
    const bool dropped = WaitViewWorkIdle(&worker->work);
    return cut || dropped;
}

bool TakeFileKindsTally(FileKindsWorker* worker, uint64_t serial, FileKindsTally* tally) {
    return TakeViewResult(&worker->work, serial, tally);
}

void StopFileKindsWorker(FileKindsWorker* worker) { StopViewWorker(&worker->work); }
