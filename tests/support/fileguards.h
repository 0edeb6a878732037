#pragma once

// Helpers for tests of file reading and writing: a way to make writes fail as on a full disk, and a
// way to run code that could block or eat memory without letting it hang the test.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// While it lives, no file of this process can grow past `bytes`: a write crossing the limit is cut
// short and the next one fails with EFBIG, as on a full disk. SIGXFSZ, which would kill the
// process, is ignored meanwhile. Both are restored afterwards.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore
        {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, &m_oldAction);
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        rlimit limit = m_oldLimit;
        limit.rlim_cur = std::min(bytes, m_oldLimit.rlim_max);
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        ::sigaction(SIGXFSZ, &m_oldAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_oldLimit{};
    struct sigaction m_oldAction
    {};
    bool m_active = false;
};

// Runs body in a child process and returns its result (0..255). A child still running after
// timeoutMs is killed and -1 is returned; a child that crashed (an allocation refused, say) gives
// -1 too. The child's memory is bounded, so that reading an endless device fails quickly instead of
// filling the machine's memory.
inline int runInChild(const std::function<int()> &body, int timeoutMs = 10000)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -2;
    if (pid == 0) {
#ifndef __SANITIZE_ADDRESS__
        const rlimit data{rlim_t(1) << 30, rlim_t(1) << 30};
        ::setrlimit(RLIMIT_DATA, &data);
#endif
        ::_exit(body());
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Makes a FIFO; true on success.
inline bool makeFifo(const QString &path)
{
    return ::mkfifo(path.toUtf8().constData(), 0600) == 0;
}

// Makes a symbolic link at path that points to target; true on success.
inline bool makeLink(const QString &target, const QString &path)
{
    return ::symlink(target.toUtf8().constData(), path.toUtf8().constData()) == 0;
}

// Creates a file whose name is given as raw bytes (a name that need not be UTF-8) with content.
inline bool writeRawName(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), std::size_t(content.size())) == content.size();
    return ::close(fd) == 0 && ok;
}
