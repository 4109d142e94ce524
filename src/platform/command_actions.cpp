#include "platform/command_actions.h"

#include <QAction>

namespace {

QAction* commandActions[CMD_LAST - CMD_FIRST + 1] = {};

bool IsCommandId(int id) { return id >= CMD_FIRST && id <= CMD_LAST; }

bool IsEnableable(int id) {
    switch (id) {
    case CMD_UP: case CMD_REFRESH: case CMD_DELETE: case CMD_UNDELETE: case CMD_OPEN:
    case CMD_GO_BACKWARD: case CMD_GO_FORWARD: case CMD_STOP: case CMD_PIE_CHART:
    case CMD_CLOSE: case CMD_EXPUNGE: case CMD_SELECT_ALL: case CMD_MOVE_TO_TRASH:
    case CMD_EXPORT_SCAN: case CMD_RESCAN_FOLDER:
        return true;
    default:
        return false;
    }
}

}  // namespace

void RegisterCommandAction(int id, QAction* action) {
    if (IsCommandId(id)) commandActions[id - CMD_FIRST] = action;
}

QAction* CommandAction(int id) { return IsCommandId(id) ? commandActions[id - CMD_FIRST] : nullptr; }

int EnableCommand(int id, bool on) {
    QAction* action = CommandAction(id);
    if (!action || !IsEnableable(id)) return 0;
    action->setEnabled(on);
    // Both ways of clearing marked entries are offered exactly together.
    if (id == CMD_EXPUNGE) EnableCommand(CMD_MOVE_TO_TRASH, on);
    return 1;
}

bool IsCommandEnabled(int id) {
    QAction* action = CommandAction(id);
    return action && action->isEnabled();
}

void CheckCommand(int id, bool on) {
    if (id != CMD_FULL_SCREEN && id != CMD_PIE_CHART && id != CMD_TREEMAP && id != CMD_FOLLOW_CHANGES) return;
    if (QAction* action = CommandAction(id)) action->setChecked(on);
}
