#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The fields of a tape as the add and the edit windows give them, before they become a record
// line. Only the fields of the category's kind (kindOfCategory()) are read.
struct TapeFields
{
    QString category;
    // The Quran: the reciter, the surah as the record writes it (a list entry, "036 سورة يس"),
    // whether it is one of the 114 entries, and the riwaya.
    QString reciter;
    QString surah;
    bool surahListed = false;
    QString riwaya;
    // Lessons and sermons: the sheikh, the series (the levels between sheikh and title, "\" or
    // "/" between them; may be blank), the title and the section (blank: the general one).
    QString sheikh;
    QString series;
    QString title;
    QString section;
    // Other tapes: the owner (may be blank), the name and the group (blank: none; kept as typed,
    // spaces and all, as records have always kept it).
    QString owner;
    QString name;
    QString group;
    // The link texts; the callers check them, only their line breaks are checked here.
    QStringList links;
};

// The checks adding and editing share, for fields whose category is not blank: the category's
// own text, no line break in any field, and the fields its kind needs. The message of the first
// check failed, or an empty text.
QString checkTapeFields(const TapeFields &fields);

// The record line up to its links, ending in "!": "category!names!third!". Names and the section
// are stored trimmed and without empty levels ("sheikh/title" for a blank series, "name" for a
// blank owner); a riwaya given is written in that form (the catalogue's own spelling), else
// trimmed.
QString composeTapeFields(const TapeFields &fields, QStringView riwaya = {});
