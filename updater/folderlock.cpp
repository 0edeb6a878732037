#include "folderlock.h"

#include "general.h"

#include <QByteArray>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderLock::FolderLock(QString path)
    : m_path(std::move(path))
{}

FolderLock::~FolderLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock; the file stays for the next holder
}

bool FolderLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(nativeFileName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // Who holds it, for a person looking at the file; nothing reads it, and the lock holds
    // whether or not the note could be written.
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]]
        const ssize_t noted = ::write(fd, pid.constData(), std::size_t(pid.size()));
    m_fd = fd;
    return true;
}
