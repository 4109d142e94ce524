#include "scan/scan_keeper.h"

#include <ctime>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>

#include "model/scan_file.h"
#include "platform/nested_loops.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "resources/version.h"
#include "scan/scan_control.h"

ScanKeeper* scanKeeper = nullptr;

ScanKeeper::ScanKeeper(const KeptScans& where) : kept(where), context(new QObject()) {}

namespace {

// What one keeping's thread needs; it owns the copies.
struct KeepingWork {
    ScanKeeper* keeper;
    QObject* context;
    KeptScans where;
    std::string drivePath;
    ScanFileSource source;
    uint64_t generation;
};

}  // namespace

void* ScanKeeper::WriterBody(void* argument) {
    KeepingWork* work = static_cast<KeepingWork*>(argument);
    std::string fileName;
    std::string error;
    bool written = KeepScan(work->where, work->drivePath, work->source, work->source.timestamp, &fileName, &error);
    ScanKeeper* keeper = work->keeper;
    const uint64_t current = work->generation;
    // The end is told to the user-interface thread, never waited for.
    QMetaObject::invokeMethod(
        work->context, [keeper, current, written, fileName, error] { keeper->OnWritten(current, written, fileName, error); },
        Qt::QueuedConnection);
    delete work;
    return nullptr;
}

ScanKeeper::~ScanKeeper() {
    // Without an event loop to hear the end: the thread is only joined.
    if (writerRunning) pthread_join(writer, nullptr);
}

bool ScanKeeper::Keep(const ItemNode* drive, const std::string& drivePath, const std::vector<HardLink>& scanLinks) {
    WaitUntilDone();
    links = scanLinks;
    ScanFileSource source;
    source.top = drive;
    source.rootPath = drivePath;
    source.hardLinks = &links;
    source.progver = VOLUMETRA_VERSION;
    source.timestamp = static_cast<int64_t>(std::time(nullptr));
    auto* work = new KeepingWork{this, context.get(), kept, drivePath, source, ++generation};
    if (pthread_create(&writer, nullptr, WriterBody, work) != 0) {
        delete work;
        links.clear();
        return false;
    }
    writerRunning = true;
    busy = true;
    return true;
}

void ScanKeeper::OnWritten(uint64_t ended, bool written, const std::string& fileName, const std::string& error) {
    if (ended != generation || !busy) return;
    if (writerRunning) pthread_join(writer, nullptr);
    writerRunning = false;
    busy = false;
    links.clear();
    links.shrink_to_fit();
    if (written) {
        lastKept = fileName;
        lastFailure.clear();
        ++keptCount;
        return;
    }
    lastFailure = error;
    // A scan running now owns the single text; its progress would take the
    // notice's place at once, and the notice's timer would end its mode.
    if (scanState != SCAN_IDLE) return;
    char16_t text[128];
    LoadStringText(STR_SCAN_NOT_KEPT, text, 128);
    std::u16string notice = text;
    notice += u": ";
    notice += QString::fromLocal8Bit(error.c_str()).toStdU16String();
    ShowStatusNotice(notice.c_str());
}

void ScanKeeper::WaitUntilDone() {
    if (!busy) return;
    NestedLoop loop;
    while (busy) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}

void WaitForScanKeeper() {
    if (scanKeeper) scanKeeper->WaitUntilDone();
}
