// The command table: the shell creates the shared actions and sends each
// command to the part that owns it.
#pragma once

#include "platform/command_actions.h"

class QObject;

// Makes one action per command id, owned by parent, and registers each;
// every action dispatches its id when triggered.
void CreateCommandActions(QObject* parent);
// Forgets and deletes the actions.
void DestroyCommandActions();

// Puts the radio mark on CMD_LEFT_RIGHT or CMD_TOP_BOTTOM.
void SetOrientationMark(int id);

// Runs the handler of a command id through the command table; ids without a
// handler do nothing.
void DispatchCommand(int id);
