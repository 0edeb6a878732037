#pragma once

#include <QString>
#include <QtGlobal>

// Which updates a run installs, and the status texts that go with them. With C the installed
// number, L the newest one offered and K the newest complete update (-1 when none):
//  - L not above C (or L negative): nothing;
//  - K equal to L: update K alone, announced as one complete update;
//  - otherwise K above C: update K alone, without a count text; the updates after K are left
//    for the next run;
//  - otherwise: updates C+1 to L, with a count text by their number.
// Numbers are held as int, so the range up to 32767 and the differences never overflow.
struct UpdatePlan
{
    int installed = 0; // C: update texts count from it
    int first = 1;
    int last = 0; // last < first: nothing to install
    // "يحتاج البرنامج إلى ..." for the whole run; empty when there is nothing to announce.
    QString countText;

    bool isEmpty() const { return last < first; }
    int total() const { return isEmpty() ? 0 : last - first + 1; }
    // The number update i is shown under in the texts of the run: i - C. It is taken as it is
    // for a single complete update too (installing 7 over 5 shows 2).
    int ordinal(int i) const { return i - installed; }
    // The status shown while update i is fetched: the last of the run has its own text.
    QString progressText(int i) const;
    // The status when no cabinet of update i could be fetched.
    QString downloadFailedText(int i) const;
};

UpdatePlan planUpdates(qint16 installed, qint16 newest, qint16 complete);

// The count text for total incremental updates (total >= 1): the number is joined to the words
// around it with nothing in between, as the texts have always been shown.
QString updateCountText(int total);
