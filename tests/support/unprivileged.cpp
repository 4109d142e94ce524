#include "support/unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

int RunUnprivileged(const std::function<int()>& check) {
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        constexpr uid_t NOBODY = 65534;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0))
            _exit(254);
        _exit(check() & 0xFF);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    int code = WEXITSTATUS(status);
    return code == 254 ? -2 : code;
}
