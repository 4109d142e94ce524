// Stands in for the desktop's opener while a test lives, so a test opens
// nothing and can read what would have been opened.
#pragma once

#include <string>
#include <vector>

class OpenRecorder {
public:
    OpenRecorder();
    // Puts the desktop's opener back.
    ~OpenRecorder();
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;

    // The paths handed over, in order, since the recorder was made.
    const std::vector<std::u16string>& Opened() const;
};
