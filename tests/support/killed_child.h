#pragma once
// A child process killed with SIGKILL at a chosen moment, for crash tests: it reports what it
// did through a pipe, one fixed-size message per write (small enough to be atomic), and the
// parent keeps every message that arrived whole. What a child wrote into the pipe before it
// died is kept by the kernel, so a message sent after a step returned proves that it did.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <limits.h>
#include <chrono>
#include <iostream>
#include <stdexcept>
#include <vector>

namespace testsupport {

// Sends one message from the child; a child that cannot report has nothing left to do.
template <class Msg>
void SendToParent(int fd, const Msg& m) {
    static_assert(sizeof(Msg) <= PIPE_BUF, "a message must reach the pipe in one piece");
    if (::write(fd, &m, sizeof m) != static_cast<ssize_t>(sizeof m)) ::_exit(3);
}

// Runs `child` (given the pipe's write end) in a process of its own, kills it after
// `lifetime` and returns every message it sent. A child that ends by itself ends with _exit.
template <class Msg, class Child>
std::vector<Msg> RunAndKill(Child&& child, std::chrono::microseconds lifetime) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::cout.flush();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(fds[0]);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        child(fds[1]);
        ::_exit(0);
    }
    ::close(fds[1]);

    std::vector<Msg> msgs;
    const auto drain = [&](int timeoutMs) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        Msg m;
        if (::read(fds[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) return false;
        msgs.push_back(m);
        return true;
    };
    // Keep the pipe empty while waiting so the child never blocks on it.
    const auto deadline = std::chrono::steady_clock::now() + lifetime;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        drain(static_cast<int>(left.count()));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    while (drain(1000)) {
    }
    ::close(fds[0]);
    return msgs;
}

}  // namespace testsupport
