// Runs a check as an ordinary user, so permission rules hold even where the
// tests run as root (CI): the check runs in a child process that drops to the
// unprivileged user "nobody" first when it starts as root.
#pragma once

#include <functional>

// The check's result (0 to 255) as the child's exit code; -1 when the child
// could not be started or did not exit normally, -2 when it could not drop
// its privileges.
int RunUnprivileged(const std::function<int()>& check);
