#include "deletion/expunge.h"

#include "deletion/marks.h"

void ExpungeCommand() {
    // The confirmation dialog and the deletion come with marking; with no
    // marked entry there is nothing to confirm.
    if (markedCount == 0) return;
}
