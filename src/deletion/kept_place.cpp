#include "deletion/kept_place.h"

#include <cstdlib>

PathList* pendingPlace = nullptr;
char16_t* flaggedNames = nullptr;
uint32_t flaggedCount = 0;

void DiscardKeptPlace() {
    FreePathList(pendingPlace);
    pendingPlace = nullptr;
    DiscardFlaggedNames();
}

void DiscardFlaggedNames() {
    std::free(flaggedNames);
    flaggedNames = nullptr;
    flaggedCount = 0;
}
