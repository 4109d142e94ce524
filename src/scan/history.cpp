#include "scan/history.h"

void OnHistoryCommand(int commandId) {
    // Places are recorded once navigation between folders exists; until then
    // the history is empty and both commands stay disabled.
    (void)commandId;
}
