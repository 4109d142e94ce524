// The places the user has left, for Go backward and Go forward.
#pragma once

// CMD_GO_BACKWARD or CMD_GO_FORWARD.
void OnHistoryCommand(int commandId);
