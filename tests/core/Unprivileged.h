// Runs a piece of a test as an ordinary user: root may write any file, so checks of what a
// user may not replace run in a forked child that has given up root.
#pragma once

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wt::test {

inline constexpr uid_t kNobodyId = 65534;
// The exit status of a child that could not give up root.
inline constexpr int kCannotDropRoot = 77;

// Runs `body` in a child process as uid and gid 65534 with no supplementary groups (as the
// caller itself when it is not root) and returns the child's exit status: 0 when `body`
// returned true, 1 when it returned false, kCannotDropRoot when root could not be given up.
// `body` reports through its result only: the child ends with _exit, no test assertion
// reaches the parent.
inline int RunUnprivileged(const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobodyId) != 0 || setuid(kNobodyId) != 0)) {
            _exit(kCannotDropRoot);
        }
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace wt::test
