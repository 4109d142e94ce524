// Keeping complete scans: once a scan of a drive of this machine has been
// shown, a thread of the keeper writes it as a kept scan (compressed, in the
// user's state folder) and prunes the old ones. The window never waits for
// it, but nothing changes the tree's records while it reads them: marking,
// deleting and freeing the tree first let it finish (the event loop runs
// meanwhile). A file that cannot be written leaves a status notice (unless
// another scan runs by then, whose progress holds the status bar).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <pthread.h>
#include <vector>

#include "model/item_node.h"
#include "model/kept_scans.h"
#include "model/scan_engine.h"

class QObject;

class ScanKeeper {
public:
    explicit ScanKeeper(const KeptScans& where);
    ~ScanKeeper();
    ScanKeeper(const ScanKeeper&) = delete;
    ScanKeeper& operator=(const ScanKeeper&) = delete;

    // Starts keeping drive, scanned completely, whose host path is
    // drivePath, with the links its scan met. A keeping still running
    // finishes first. False when none started (no thread could be made).
    bool Keep(const ItemNode* drive, const std::string& drivePath, const std::vector<HardLink>& links);

    // Whether a thread is writing, or its end has not been handled yet.
    bool Busy() const { return busy; }

    // Runs the event loop (user input held back) until the keeping has
    // ended and its end has been handled.
    void WaitUntilDone();

    // Where the scans are kept and how many; the Compare With menu lists them.
    const KeptScans& Where() const { return kept; }

    // The last kept file and the last failure, for the status notice and tests.
    const std::string& LastKept() const { return lastKept; }
    const std::string& LastFailure() const { return lastFailure; }
    uint64_t KeptCount() const { return keptCount; }

private:
    static void* WriterBody(void* work);
    void OnWritten(uint64_t generation, bool written, const std::string& fileName, const std::string& error);

    KeptScans kept;
    // The ends are posted to it: one that arrives after the keeper is gone
    // goes with it.
    std::unique_ptr<QObject> context;
    pthread_t writer{};
    bool writerRunning = false;
    bool busy = false;
    uint64_t generation = 0;
    uint64_t keptCount = 0;
    std::vector<HardLink> links;
    std::string lastKept;
    std::string lastFailure;
};

// The keeper the window keeps its scans with; none keeps nothing (tests that
// do not keep, the headless commands).
extern ScanKeeper* scanKeeper;

// Waits for the keeper, when there is one and it is busy: called before the
// tree's records change or go.
void WaitForScanKeeper();
