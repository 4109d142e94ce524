#include "views/treemap_worker.h"

#include <vector>

namespace {

bool Draw(const TreemapRequest& request, const std::atomic<bool>* cancel, TreemapPicture* picture, void* context) {
    TreemapWorker* worker = static_cast<TreemapWorker*>(context);
    const bool drawn =
        RenderTreemap(request.place, request.width, request.height, &worker->canvas, cancel, picture);
    // Between pictures the worker keeps only the kinds it knows: the
    // layout's working memory goes.
    std::vector<TreemapScratch::Entry>().swap(worker->canvas.scratch.entries);
    return drawn;
}

// Every request is reported, drawn or not: a pause waits for the report.
void Report(void* context, bool) {
    TreemapWorker* worker = static_cast<TreemapWorker*>(context);
    worker->report(worker->reportContext);
}

}  // namespace

bool StartTreemapWorker(TreemapWorker* worker, void (*report)(void* context), void* context) {
    worker->report = report;
    worker->reportContext = context;
    return StartViewWorker(&worker->work, Draw, Report, worker);
}

void RequestTreemap(TreemapWorker* worker, const TreemapRequest& request) { RequestViewWork(&worker->work, request); }

bool CancelTreemapWork(TreemapWorker* worker) { return CancelViewWork(&worker->work); }

bool TreemapWorkerReading(TreemapWorker* worker) { return ViewWorkerBusy(&worker->work); }

bool TakeTreemapPicture(TreemapWorker* worker, uint64_t newestSerial, TreemapPicture* picture) {
    return TakeViewResult(&worker->work, newestSerial, picture);
}

void StopTreemapWorker(TreemapWorker* worker) { StopViewWorker(&worker->work); }
