#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// A catalogue file as the player's own file window shows and saves it: windows-1256 lines read
// whole, checked before they are written back, and searched the way the catalogue search compares
// Arabic text. No widgets here.
namespace CatalogueFileText {

// A catalogue file as found when it was asked for.
struct Opened
{
    enum class Status
    {
        Read,       // read whole
        Absent,     // nothing at that name: an empty document, the file made by its first save
        Unreadable, // there is something, but it cannot be read or is not a regular file
    };
    Status status = Status::Unreadable;
    QStringList lines;
    // The bytes read (empty when absent), to tell later whether the file changed meanwhile.
    QByteArray bytes;
};
Opened open(const QString &path);

// The document's text as lines (split at '\n') and back. An empty text is a file with no lines.
QStringList linesOfText(QStringView text);
QString textOfLines(const QStringList &lines);

// A character of the text that windows-1256 cannot hold: its line and column (0-based, column in
// UTF-16 units), its length in units (2 for a character outside the BMP) and its code point.
struct Unencodable
{
    qsizetype line = -1;
    qsizetype column = -1;
    qsizetype length = 0;
    char32_t codePoint = 0;

    bool found() const { return line >= 0; }
};
// The first character of the lines that windows-1256 cannot hold; found() is false when there is
// none.
Unencodable firstUnencodable(const QStringList &lines);
// What the user is told about it: the character and the number of its line (1-based).
QString unencodableMessage(const Unencodable &character);

// The numbers (0-based) of the lines the catalogue loader would pass over as no record. Blank
// lines are not among them: they separate groups of records and cost nothing.
QList<qsizetype> nonRecordLines(const QStringList &lines);

// Rewrites the file with the lines, atomically, in windows-1256 with CR LF. The lines must have
// passed firstUnencodable(): nothing here turns a character into "?".
bool save(const QString &path, const QStringList &lines);

// Where a text was found in a line: the original characters, from start, length units long.
struct Match
{
    qsizetype start = -1;
    qsizetype length = 0;

    bool found() const { return start >= 0; }
};
// A text looked for in the lines of a file, compared as the catalogue search compares Arabic:
// both sides as ArabicText::NormalizeArabic gives them (vowel marks and tatweel dropped, alif and
// hamza forms made one), and regardless of Latin letter case.
class Finder
{
public:
    explicit Finder(QStringView text);

    // Whether there is anything to look for (a text of spaces or marks only is nothing).
    bool isEmpty() const { return m_needle.isEmpty(); }
    // The first match in line that begins at or after column from. It covers the original
    // characters, the marks on its last letter included.
    Match in(QStringView line, qsizetype from = 0) const;

private:
    QString m_needle;
};

} // namespace CatalogueFileText
