#pragma once

#include <QStringView>

// Which kind of tape a record's category makes, for each use that asks. The rules differ on
// purpose: each is the one its use has always had, and stored catalogues (their grouping, their
// titles) and users' habits rely on them. They stand side by side here so that a reader sees
// where they disagree (tst_recordkinds shows it on the categories that tell them apart).
namespace RecordKinds {

// Grouped as the Quran in the tree (riwaya, reciter, surah): the category holds "كريم".
bool groupedAsQuran(QStringView category);
// Grouped as lessons and sermons (by section when asked): the category holds "الدروس والخطب".
bool groupedAsLessons(QStringView category);
// Titled as a Quran tape ("reciter - surah" without the surah's number): holds "كريم".
bool titledAsQuran(QStringView category);
// Shown only for the riwayat the filter chooses: holds both "قرآن" and "كريم".
bool filteredByRiwaya(QStringView category);
// Added and edited with the Quran's fields (surah, reciter, riwaya): holds "القرآن الكريم".
bool editedAsQuran(QStringView category);
// Added and edited with the lessons' fields (title, sheikh, series, section): holds both
// "دروس" and "خطب".
bool editedAsLessons(QStringView category);

} // namespace RecordKinds
