#include "general.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using StatBuffer = struct stat;

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Length of the valid UTF-8 sequence at s[i], with its code point, or 0 when the bytes there do
// not decode (a stray continuation byte, a cut sequence, an overlong form, an encoded surrogate or
// a value past U+10FFFF).
int decodeUtf8At(const unsigned char *s, qsizetype i, qsizetype n, char32_t &cp)
{
    const unsigned char b0 = s[i];
    int length = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n - i < length)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char b = s[i + k];
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString fileNameFromNative(QByteArrayView bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            out.append(QChar(char16_t(s[i])));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int length = decodeUtf8At(s, i, n, cp);
        if (length == 0) {
            out.append(QChar(char16_t(kEscapeBase + s[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += length;
    }
    return out;
}

QByteArray nativeFileName(const QString &path)
{
    // An escaped byte is a low surrogate with no high surrogate before it (after one, it is the
    // second half of a real character).
    const auto escapedAt = [&path](qsizetype i) {
        return isEscapedByte(path.at(i).unicode()) &&
               (i == 0 || !isHighSurrogate(path.at(i - 1).unicode()));
    };
    qsizetype first = 0;
    while (first < path.size() && !escapedAt(first))
        ++first;
    if (first == path.size())
        return QFile::encodeName(path);

    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = first; i < path.size(); ++i) {
        if (!escapedAt(i))
            continue;
        out.append(QFile::encodeName(path.mid(start, i - start)));
        out.append(char(path.at(i).unicode() - kEscapeBase));
        start = i + 1;
    }
    out.append(QFile::encodeName(path.mid(start)));
    return out;
}

bool FileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    StatBuffer st{};
    return ::stat(nativeFileName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void adviseHugePages(const void *data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t hugePage = std::size_t(2) << 20;
    const auto first = (reinterpret_cast<std::uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(hugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

bool readRegularFile(const QString &path, QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever. The type
    // is checked on the opened descriptor, so a file swapped for something else in between is
    // still caught.
    const int fd =
        ::open(nativeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    StatBuffer st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size >= std::numeric_limits<qsizetype>::max() / 2) {
        ::close(fd);
        return false;
    }
    if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // One byte more than the size, so that the read meeting the end needs no regrowing; a file
    // growing while read still comes whole. The caller's buffer is reused when it is its own and
    // large enough; otherwise a block of exactly that size replaces it (growing the old one would
    // round the size up, and a loader that keeps the bytes would keep the rounding too).
    const qsizetype want = qsizetype(st.st_size) + 1;
    if (bytes.capacity() < want || !bytes.isDetached()) {
        bytes = QByteArray(want, Qt::Uninitialized);
        adviseHugePages(bytes.constData(), std::size_t(want));
    } else
        bytes.resize(want);
    qsizetype have = 0;
    for (;;) {
        if (have == bytes.size())
            bytes.resize(have + std::max<qsizetype>(have / 2, 64 * 1024));
        const ssize_t got = ::read(fd, bytes.data() + have, std::size_t(bytes.size() - have));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            bytes.clear();
            return false;
        }
        if (got == 0)
            break;
        have += got;
    }
    ::close(fd);
    bytes.truncate(have);
    return true;
}

qint64 regularFileSize(const QString &path)
{
    StatBuffer st{};
    if (path.isEmpty() || ::stat(nativeFileName(path).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return 0;
    return qint64(st.st_size);
}

QStringList ListFolderFiles(const QString &folder)
{
    std::vector<QByteArray> found;
    const QByteArray native = folder.isEmpty() ? QByteArray() : nativeFileName(folder);
    if (DIR *dir = native.isEmpty() ? nullptr : ::opendir(native.constData())) {
        const int dirFd = ::dirfd(dir);
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue; // hidden, and "." and ".."
            bool regular = entry->d_type == DT_REG;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                StatBuffer st{};
                regular = ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
            }
            if (regular)
                found.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    // Byte order, not text order: names that are not UTF-8 have no other order that stays put.
    std::sort(found.begin(), found.end());
    QStringList names;
    names.reserve(qsizetype(found.size()));
    for (const QByteArray &name : found)
        names.append(fileNameFromNative(name));
    if (names.isEmpty())
        names.append(QString());
    return names;
}
