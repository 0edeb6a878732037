#include "fileplacement.h"

#include "apppaths.h"
#include "atomicfile.h"
#include "general.h"
#include "updateinfo.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using StatBuffer = struct stat;

const QByteArray kPlacing = "placing";
const QByteArray kPlaced = "placed";
const char *const kStagedEnd = ".renfold-new";
const char *const kKeptEnd = ".renfold-old";

// ".name" + ending, beside the file.
QString besideHidden(const QString &path, const char *ending)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return path.left(slash + 1) + u'.' + path.mid(slash + 1) + QLatin1StringView(ending);
}

bool exists(const QString &path)
{
    StatBuffer st{};
    return ::lstat(nativeFileName(path).constData(), &st) == 0;
}

bool renameFile(const QString &from, const QString &to)
{
    return ::rename(nativeFileName(from).constData(), nativeFileName(to).constData()) == 0;
}

void removeFile(const QString &path)
{
    ::unlink(nativeFileName(path).constData());
}

// Copies from into a new file to, a block at a time (an unpacked file may be large), and syncs
// it; a partial copy is removed.
bool copyFile(const QString &from, const QString &to)
{
    const int in = ::open(nativeFileName(from).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out =
        ::open(nativeFileName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, block.data(), std::size_t(block.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            const ssize_t put = ::write(out, block.constData() + done, std::size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            ok = put > 0;
            done += std::max<ssize_t>(put, 0);
        }
        if (!ok)
            break;
    }
    ::close(in);
    ok = ok && (::fsync(out) == 0 || errno == EINVAL);
    ok = ::close(out) == 0 && ok;
    if (!ok)
        removeFile(to);
    return ok;
}

// The hidden copies, kept files and half-written journals an interrupted run can leave in a
// folder, and the visible staged copies earlier versions of the updater made (which the player
// would read as catalogue files).
void removeLeftovers(const QString &folder)
{
    const QByteArray journalTemporary = '.' + FilePlacement::journalName().toLatin1() + '.';
    DIR *dir = ::opendir(nativeFileName(folder).constData());
    if (!dir)
        return;
    QList<QByteArray> found;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.endsWith(kStagedEnd) || (name.startsWith('.') && name.endsWith(kKeptEnd)) ||
            name.startsWith(journalTemporary))
            found.append(name.toByteArray());
    }
    ::closedir(dir);
    const QByteArray base = nativeFileName(folder) + '/';
    for (const QByteArray &name : found) {
        StatBuffer st{};
        const QByteArray path = base + name;
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.constData());
    }
}

} // namespace

FilePlacement::FilePlacement(QString appFolder)
    : m_appFolder(std::move(appFolder))
{}

QString FilePlacement::journalName()
{
    return u".renfold-placing"_s;
}

bool FilePlacement::stage(const QList<File> &files)
{
    m_entries.clear();
    const QDir app(m_appFolder);
    bool ok = true;
    for (const File &file : files) {
        const QString relative = app.relativeFilePath(file.target);
        StatBuffer st{};
        const bool existed = ::stat(nativeFileName(file.target).constData(), &st) == 0;
        // Only regular files inside the application folder are replaced, and their names go into
        // the journal a line each.
        if ((existed && !S_ISREG(st.st_mode)) || relative.startsWith(u"../"_s) ||
            relative.contains(u'\n') || relative.contains(u'\r')) {
            ok = false;
            break;
        }
        Entry entry{file.target, besideHidden(file.target, kStagedEnd),
                    besideHidden(file.target, kKeptEnd), existed, false};
        removeFile(entry.staged);
        removeFile(entry.kept);
        const bool moved = renameFile(file.source, entry.staged) ||
                           (errno == EXDEV && copyFile(file.source, entry.staged));
        if (moved)
            m_entries.append(entry);
        if (!moved ||
            (file.executable && ::chmod(nativeFileName(entry.staged).constData(), 0755) != 0)) {
            ok = false;
            break;
        }
    }
    if (!ok) {
        for (const Entry &entry : std::as_const(m_entries))
            removeFile(entry.staged);
        m_entries.clear();
    }
    return ok;
}

bool FilePlacement::writeJournal(const QByteArray &state)
{
    QByteArray text = state + ' ' + QByteArray::number(m_number) + '\n';
    const QDir app(m_appFolder);
    for (const Entry &entry : std::as_const(m_entries))
        text += (entry.existed ? "R " : "N ") + nativeFileName(app.relativeFilePath(entry.target)) +
                '\n';
    return writeFileAtomically(app.filePath(journalName()), text);
}

bool FilePlacement::place(qint16 number)
{
    m_number = number;
    bool ok = writeJournal(kPlacing);
    for (qsizetype i = 0; ok && i < m_entries.size(); ++i) {
        Entry &entry = m_entries[i];
        ok = (!entry.existed || renameFile(entry.target, entry.kept)) &&
             renameFile(entry.staged, entry.target);
        entry.placed = ok;
    }
    ok = ok && writeJournal(kPlaced);
    if (!ok)
        rollBack();
    return ok;
}

void FilePlacement::undo(const QList<Entry> &entries)
{
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        if (it->existed) {
            if (exists(it->kept))
                renameFile(it->kept, it->target);
        } else if (it->placed || (!exists(it->staged) && exists(it->target))) {
            // A new file that is no longer staged is the one this update put there.
            removeFile(it->target);
        }
        removeFile(it->staged);
    }
}

void FilePlacement::rollBack()
{
    // The journal first says the placement is unfinished again, so that a crash while files go
    // back makes the next start finish undoing it, not record the update.
    writeJournal(kPlacing);
    undo(m_entries);
    removeFile(QDir(m_appFolder).filePath(journalName()));
    m_entries.clear();
}

void FilePlacement::finish()
{
    for (const Entry &entry : std::as_const(m_entries))
        if (entry.existed)
            removeFile(entry.kept);
    removeFile(QDir(m_appFolder).filePath(journalName()));
    m_entries.clear();
}

bool FilePlacement::recover(const QString &appFolder, const QString &infoPath)
{
    const QDir app(appFolder);
    const QString journal = app.filePath(journalName());
    QByteArray text;
    bool ok = true;
    if (exists(journal) && readRegularFile(journal, text)) {
        const QList<QByteArray> lines = text.split('\n');
        const QList<QByteArray> head = lines.value(0).split(' ');
        bool numbered = false;
        const qint16 number = head.value(1).toShort(&numbered);
        QList<Entry> entries;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            if (line.size() < 3 || line.at(1) != ' ')
                continue;
            const QString target = app.filePath(fileNameFromNative(line.mid(2)));
            entries.append({target, besideHidden(target, kStagedEnd),
                            besideHidden(target, kKeptEnd), line.at(0) == 'R', false});
        }
        if (head.value(0) == kPlaced && numbered) {
            // Every file was in place; only the number may not have been recorded.
            const UpdateInfo info = readUpdateInfo(infoPath, UpdateInfoUse::Installed);
            ok = info.isValid() && (info.number >= number || SetInstalledNumber(infoPath, number));
            if (ok)
                for (const Entry &entry : std::as_const(entries))
                    if (entry.existed)
                        removeFile(entry.kept);
        } else {
            undo(entries);
        }
        if (!ok)
            return false; // the journal and every kept file stay for the next try
        removeFile(journal);
    }
    removeLeftovers(appFolder);
    removeLeftovers(AppPaths(app.path()).db());
    return true;
}
