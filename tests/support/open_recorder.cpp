#include "support/open_recorder.h"

#include "scan/shell_open.h"

namespace {

// The opener is a plain function, so what it records lives here.
std::vector<std::u16string> recordedPaths;

bool RecordOpen(const char16_t* path) {
    recordedPaths.emplace_back(path);
    return true;
}

}  // namespace

OpenRecorder::OpenRecorder() {
    recordedPaths.clear();
    shellOpener = RecordOpen;
}

OpenRecorder::~OpenRecorder() { shellOpener = OpenPathWithDesktop; }

const std::vector<std::u16string>& OpenRecorder::Opened() const { return recordedPaths; }
