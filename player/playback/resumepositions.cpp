#include "resumepositions.h"

#include "atomicfile.h"
#include "linkpolicy.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

// The file is UTF-8, unlike the catalogue's windows-1256 files: the links here may be local file
// paths, and a path on this system may hold any character (Persian or Urdu letters, symbols) that
// windows-1256 cannot write. A link must come back exactly as it went in, or it is never found.

namespace {
constexpr qint64 kMaxLine = 16 * 1024;
// No recording lasts a year; a larger number is damage, and would overflow in milliseconds.
constexpr qint64 kMaxSeconds = 366LL * 24 * 3600;
} // namespace

ResumePositions::ResumePositions(QString path)
    : m_path(std::move(path))
{}

int ResumePositions::indexOf(const QString &link) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].link == link)
            return i;
    return -1;
}

void ResumePositions::load()
{
    m_entries.clear();
    m_dirty = false;
    // Only a regular file is read: a pipe in its place would never end.
    if (!QFileInfo(m_path).isFile())
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Line by line, so that a damaged file of any size costs no more than a few lines of memory.
    while (!file.atEnd() && m_entries.size() < kLimit) {
        QByteArray line = file.readLine(kMaxLine);
        if (!line.endsWith('\n') && !file.atEnd()) {
            // Longer than any link: damaged. Skipped to its end.
            while (!file.atEnd() && !file.readLine(kMaxLine).endsWith('\n')) {
            }
            continue;
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const qint64 seconds = line.left(tab).toLongLong(&ok);
        if (!ok || seconds <= 0 || seconds > kMaxSeconds)
            continue;
        const QByteArray bytes = line.mid(tab + 1);
        const QString link = QString::fromUtf8(bytes);
        // Invalid UTF-8 does not survive the round trip: the line is damaged.
        if (link.isEmpty() || link.toUtf8() != bytes || linkKind(link) == LinkKind::Refused ||
            indexOf(link) >= 0)
            continue;
        m_entries.append({seconds, link});
    }
}

bool ResumePositions::save()
{
    QByteArray bytes;
    for (const Entry &entry : std::as_const(m_entries))
        bytes += QByteArray::number(entry.seconds) + '\t' + entry.link.toUtf8() + '\n';
    if (!writeFileAtomically(m_path, bytes))
        return false;
    m_dirty = false;
    return true;
}

qint64 ResumePositions::startFor(const QString &link) const
{
    const int at = indexOf(link);
    if (at < 0)
        return 0;
    return qMax<qint64>(m_entries[at].seconds * 1000 - kRewind, 0);
}

void ResumePositions::note(const QString &link, qint64 position, qint64 length)
{
    if (link.isEmpty() || length <= 0)
        return;
    if (length <= kMinLength || position < kMargin || position > length - kMargin ||
        linkKind(link) == LinkKind::Refused) {
        forget(link);
        return;
    }
    const Entry entry{position / 1000, link};
    const int at = indexOf(link);
    if (at == 0 && m_entries.first() == entry)
        return;
    if (at >= 0)
        m_entries.removeAt(at);
    m_entries.prepend(entry);
    while (m_entries.size() > kLimit)
        m_entries.removeLast();
    m_dirty = true;
}

void ResumePositions::forget(const QString &link)
{
    const int at = indexOf(link);
    if (at < 0)
        return;
    m_entries.removeAt(at);
    m_dirty = true;
}
