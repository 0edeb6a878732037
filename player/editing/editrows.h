#pragma once

#include "catalogueeditor.h"
#include "tapefields.h"

#include <QString>
#include <QStringView>

#include <array>

// The seven text rows of the edit window for one record. What each row holds depends on the
// layout:
//   row  Quran           Lessons           Other
//   0    category        category          category
//   1    surah entry     title             name
//   2    reciter         sheikh            owner
//   3    riwaya          series            group
//   4    MP3 link        section           MP3 link
//   5    RM link         MP3 link          RM link
//   6    (unused)        RM link           (unused)
// The surah row holds a whole list entry, e.g. "036 سورة يس". In the Quran layout row 3 is the
// riwaya list: a record saved by other rules from that layout takes no series or group from it.
struct EditRows
{
    RecordKind layout = RecordKind::Other;
    std::array<QString, 7> text;
    // The record line the rows were opened from.
    QString opened;

    // The rows of a record line as the window opens them, in the layout of the kind the save
    // reads from its category (kindOfCategory()): the name path split at "/" gives the
    // last part to row 1, the first to row 2 (empty for a one-part path) and, for lessons, the
    // parts between them to row 3.
    static EditRows fromRecord(const QString &recordLine);

    // The rows by what they hold, read by the kind of their row 0, as the save reads them.
    TapeFields fields() const;
};

// The message of the first check the rows fail, or an empty text when they pass them all. The
// rows are read by the strict kind of their row 0, whatever layout they were opened in.
QString checkEditRows(const EditRows &rows);

// The record line the rows make, for rows that passed checkEditRows(). Empty link rows leave
// no empty field: a blank MP3 link lets the RM link take its place, a blank RM link leaves the
// line ending in "!" (unless the rows are unchanged from a line without it, which is written
// back as it was). A Quran riwaya is written as riwaya when given, else trimmed.
QString composeEditedRecord(const EditRows &rows, QStringView riwaya = {});
