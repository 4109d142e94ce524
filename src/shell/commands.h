// The program's commands: one QAction per command id, shared by the menu item
// and the tool button, so enabling or checking a command updates both.
#pragma once

#include <cstdint>

class QAction;
class QObject;

enum CommandId : int {
    CMD_CLOSE = 40001,
    CMD_ABOUT = 40002,
    CMD_UP = 40003,
    CMD_LEFT_RIGHT = 40004,
    CMD_TOP_BOTTOM = 40005,
    CMD_REFRESH = 40006,
    CMD_DELETE = 40008,
    CMD_EXPUNGE = 40009,
    CMD_UNDELETE = 40010,
    CMD_OPEN = 40011,
    CMD_PROPERTY = 40012,
    CMD_FULL_SCREEN = 40018,
    CMD_SELECT_ALL = 40019,
    CMD_GO_BACKWARD = 40020,
    CMD_GO_FORWARD = 40021,
    CMD_STOP = 40022,
    CMD_QUIT = 40023,
    CMD_PIE_CHART = 40024,
    CMD_HELP = 40025,
};

constexpr int CMD_FIRST = 40001;
constexpr int CMD_LAST = 40025;

// Makes one action per command id, owned by parent; every action dispatches
// its id when triggered. Until then, and after DestroyCommandActions, the
// helpers below do nothing.
void CreateCommandActions(QObject* parent);
void DestroyCommandActions();

// The action of a command id, or none.
QAction* CommandAction(int id);

// Enables or grays one command. For the commands with a tool button
// (CMD_UP, CMD_REFRESH, CMD_DELETE, CMD_UNDELETE, CMD_OPEN, CMD_GO_BACKWARD,
// CMD_GO_FORWARD, CMD_STOP, CMD_PIE_CHART) and the menu-only ones CMD_CLOSE,
// CMD_EXPUNGE and CMD_SELECT_ALL; any other id does nothing. Returns 1 when
// the command was changed, 0 otherwise.
int EnableCommand(int id, bool on);

// Checks or unchecks CMD_FULL_SCREEN or CMD_PIE_CHART; any other id does nothing.
void CheckCommand(int id, bool on);

// Puts the radio mark on CMD_LEFT_RIGHT or CMD_TOP_BOTTOM.
void SetOrientationMark(int id);

// Runs the handler of a command id through the command table; ids without a
// handler do nothing.
void DispatchCommand(int id);
