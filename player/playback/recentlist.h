#pragma once

#include <QString>
#include <QStringList>

// The recently played list: "last.txt" in the application folder, newest first, one line per
// tape: the display title, "***", the link as the player reported it.
class RecentList
{
public:
    explicit RecentList(QString file = QString());

    const QString &file() const { return m_file; }
    // Old lines kept behind a new one (0 or less: no bound), and the longest menu caption.
    int MaxLignes() const { return m_maxLines; }
    void setMaxLignes(int lines) { m_maxLines = lines; }
    int MaxTitleLen() const { return m_maxTitleLength; }
    void setMaxTitleLen(int length) { m_maxTitleLength = length; }

    // Records a played tape at the top; false when the file could not be rewritten.
    bool record(const QString &title, const QString &link);
    // Moves an existing line to the top.
    bool touch(const QString &line);
    // Re-reads the file: RecentLines() then holds its non-blank lines in order.
    void reload();
    bool exists() const;
    // Deletes the file.
    void clear();

    // The non-blank lines, in file order; menu item i (from 1) shows line i - 1.
    const QStringList &RecentLines() const { return m_lines; }
    // The menu caption of a line: its title, cut to MaxTitleLen - 3 characters and "..." when it
    // is not shorter than MaxTitleLen.
    QString caption(const QString &line) const;

    // A line's title and link. A title ending in "*" keeps its stars: the separator is the
    // last three stars of the first run of three or more.
    static QString titleOf(const QString &line);
    static QString linkOf(const QString &line);
    // Whether a line holds nothing but white space (tabs and no-break spaces count).
    static bool isBlank(const QString &line);

private:
    QString m_file;
    int m_maxLines = 25;
    int m_maxTitleLength = 100;
    QStringList m_lines;
};
