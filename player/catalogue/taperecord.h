#pragma once

#include <QString>
#include <QStringView>

// A tape record is one catalogue line, fields separated by "!":
//   1 category, 2 name path ("/"-separated), 3 riwaya / section / group, 4 first link,
//   5 optional second link. Later fields are ignored.

// The MP3 link (element 0) and the RealMedia link (element 1) of a record; an element is empty
// when the record has no link of that kind.
struct LinkPair
{
    QString mp3;
    QString rm;

    const QString &operator[](int i) const { return i == 0 ? mp3 : rm; }
    bool operator==(const LinkPair &) const = default;
};

// The MP3 and RM links of a record line. A link's kind is told by its last three characters in
// lower case ("mp3" or ".rm"); a non-blank fifth field wins over the fourth for the same kind.
LinkPair ExtractLinks(QStringView record);

// How many times StringToFind occurs in StringToSearch (non-overlapping, left to right). An empty
// StringToFind gives 0; an empty StringToSearch gives -1.
int InstrCount(QStringView StringToSearch, QStringView StringToFind);

// Whether a catalogue line is a record: not blank (spaces only) and at least three "!".
bool IsValidLine(QStringView line);

// Whether a text may be stored as a name: it holds none of "@@@###", "!", "\" and "/".
bool IsValidFieldText(QStringView text);

// Whether a text may be stored as a link: not blank, ending in ".rm" or "mp3" in any letter case.
bool IsValidLink(QStringView text);

// The link fields of a record as a derived record carries them: field 4, then "!" and field 5
// when there is a field 5 holding more than spaces.
QString LinkFields(QStringView line);

// The first three fields of a record line (category, name path, third field) in one pass;
// missing ones are empty views.
struct FirstFields
{
    QStringView category;
    QStringView names;
    QStringView third;
};
FirstFields SplitFirstFields(QStringView line);

// Field n (0-based) of a record line, or an empty view when the line has fewer fields.
QStringView RecordField(QStringView line, int n);
