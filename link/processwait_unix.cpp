#include "link/processwait.h"

#include <cerrno>
#include <csignal>

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef P_PIDFD
#define P_PIDFD 3
#endif

namespace {

int OpenProcess(qint64 pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// Without pidfd (kernels before 5.3): look every few milliseconds whether the process is gone.
std::optional<int> WaitByProbing(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return std::nullopt;
    while (!(::kill(pid_t(pid), 0) != 0 && errno == ESRCH)) {
        int status = 0;
        const pid_t reaped = ::waitpid(pid_t(pid), &status, WNOHANG);
        if (reaped == pid_t(pid))
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ::poll(nullptr, 0, 10);
    }
    return -1;
}

} // namespace

std::optional<int> WaitForProcessEnd(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    const int fd = OpenProcess(pid);
    if (fd < 0) {
        if (errno == ENOSYS)
            return WaitByProbing(pid);
        return std::nullopt;
    }
    pollfd watch{fd, POLLIN, 0};
    while (::poll(&watch, 1, -1) < 0 && errno == EINTR) {
    }
    // Only the parent learns the exit status; everybody else gets ECHILD.
    siginfo_t info{};
    int result = -1;
    if (::waitid(idtype_t(P_PIDFD), id_t(fd), &info, WEXITED | WNOHANG) == 0 && info.si_pid != 0)
        result = info.si_code == CLD_EXITED ? info.si_status : -1;
    ::close(fd);
    return result;
}
