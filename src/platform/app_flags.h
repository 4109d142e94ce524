// Program-wide state bits that several parts test.
#pragma once

#include <cstdint>

enum AppFlags : uint32_t {
    APP_FULLSCREEN = 0x1,   // one pane fills the pane area
    APP_PIE_POPUP = 0x2,    // the pie chart pop-up is open
    APP_HISTORY_NAV = 0x10, // a navigation from the history is under way
};

extern uint32_t appFlags;
