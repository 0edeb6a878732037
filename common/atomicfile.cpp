#include "atomicfile.h"

#include "general.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int createTemporaryFile(const QByteArray &prefix, QByteArray &name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

namespace {

using StatBuffer = struct stat;

// Opens a new temporary file beside target, named after it. The name begins with a dot: a
// temporary file left by a crash in the catalogue folder is then a hidden file, never read as a
// catalogue.
int createTemporary(const QByteArray &target, QByteArray &name)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray base = slash < 0 ? target : target.mid(slash + 1);
    return createTemporaryFile(folder + '.' + base + '.', name);
}

// Removes the temporaries that writes of target cut short by a crash left beside it: hidden
// regular files named like createTemporary() names them, untouched for ten minutes (so that no
// write still running in another process loses its file).
void removeStaleTemporaries(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const QByteArray prefix = '.' + (slash < 0 ? target : target.mid(slash + 1)) + '.';
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const std::time_t old = std::time(nullptr) - 10 * 60;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(prefix) || name.size() == prefix.size())
            continue;
        const QByteArrayView suffix = name.sliced(prefix.size());
        if (!std::all_of(suffix.begin(), suffix.end(),
                         [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }))
            continue;
        const QByteArray path = folder + '/' + name.toByteArray();
        StatBuffer info{};
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < old)
            ::unlink(path.constData());
    }
    ::closedir(dir);
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        // A short count is normal near a size limit; the next write then reports the error.
        const ssize_t written = ::write(fd, data, std::size_t(std::min<qsizetype>(left, 1 << 30)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

bool writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    if (path.isEmpty())
        return false;
    QByteArray target = nativeFileName(path);
    StatBuffer old{};
    bool replacing = false;
    if (::lstat(target.constData(), &old) == 0) {
        if (S_ISLNK(old.st_mode)) {
            // The link stays; the file it names gets the new content. A dangling link is left
            // alone rather than replaced by a file.
            char *resolved = ::realpath(target.constData(), nullptr);
            if (!resolved)
                return false;
            target = resolved;
            std::free(resolved);
            if (::stat(target.constData(), &old) != 0)
                return false;
        }
        if (!S_ISREG(old.st_mode))
            return false;
        // A file made read-only is meant to stay as it is.
        if (::access(target.constData(), W_OK) != 0)
            return false;
        replacing = true;
    } else if (errno != ENOENT) {
        return false;
    }

    removeStaleTemporaries(target);
    QByteArray temporary;
    const int fd = createTemporary(target, temporary);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    if (ok && replacing)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    // The data must be on disk before the rename makes it the file; a file system that cannot
    // sync (EINVAL) has nothing more to wait for.
    if (ok && ::fsync(fd) != 0 && errno != EINVAL)
        ok = false;
    if (::close(fd) != 0 && errno != EINTR)
        ok = false;
    if (ok && ::rename(temporary.constData(), target.constData()) == 0)
        return true;
    ::unlink(temporary.constData());
    return false;
}
