#include "recentlist.h"

#include "codepage.h"
#include "general.h"

#include <QFile>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kSeparator = u"***"_s;

// Where the separator between title and link starts. A title ending in "*" runs into it, so the
// separator is the last three stars of the first run of three or more: a link never starts with
// "*", and the title keeps its stars.
qsizetype separatorAt(const QString &line)
{
    qsizetype at = line.indexOf(kSeparator);
    if (at < 0)
        return at;
    while (at + kSeparator.size() < line.size() && line.at(at + kSeparator.size()) == u'*')
        ++at;
    return at;
}
} // namespace

RecentList::RecentList(QString path)
    : m_file(std::move(path))
{}

bool RecentList::record(const QString &title, const QString &link)
{
    return touch(title + kSeparator + link);
}

bool RecentList::touch(const QString &line)
{
    return AppendToFile(m_file, line, m_maxLines);
}

bool RecentList::exists() const
{
    return FileExists(m_file);
}

void RecentList::reload()
{
    m_lines.clear();
    for (const QString &line : readCodePageLines(m_file))
        if (!isBlank(line))
            m_lines.append(line);
}

void RecentList::clear()
{
    QFile::remove(m_file);
    m_lines.clear();
}

QString RecentList::caption(const QString &line) const
{
    QString title = titleOf(line);
    if (title.size() < m_maxTitleLength)
        return title;
    return title.left(std::max(0, m_maxTitleLength - 3)) + u"..."_s;
}

QString RecentList::titleOf(const QString &line)
{
    const qsizetype at = separatorAt(line);
    return at < 0 ? line : line.left(at);
}

QString RecentList::linkOf(const QString &line)
{
    const qsizetype at = separatorAt(line);
    if (at < 0)
        return {};
    const qsizetype end = line.indexOf(kSeparator, at + kSeparator.size());
    return end < 0 ? line.mid(at + kSeparator.size())
                   : line.mid(at + kSeparator.size(), end - at - kSeparator.size());
}

bool RecentList::isBlank(const QString &line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isSpace(); });
}
