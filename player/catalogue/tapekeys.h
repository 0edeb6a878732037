#pragma once

#include <QString>
#include <QStringView>

// Keys of tree nodes and the records derived from a tape, built and taken apart in one place.
//
// clang-format off
//   folder       path components each followed by "/"        "القرآن الكريم/حفص/"
//   placeholder  folder key + "-tmp"                          (the child of a folder not yet filled)
//   tape         "Leaf-" + record line                        "Leaf-القرآن الكريم!R/001 …!…"
//   queue entry  "Leaf-" + queue record                       (category "قائمة الانتظار")
//   favourite    "Leaf-" + favourite record                   (category "أشرطتي المفضلة")
//   search hit   first field "Leaf-" + search text + "@@@###" + the record's own category
// clang-format on
namespace TapeKeys {

// The category of the play queue's branch and records, and of the favourites.
const QString &queueCategory();
const QString &favouritesCategory();
// What separates a search result's own category from the search text in its first field.
const QString &searchMark();

QString tapeKey(QStringView record);
// The key of a search result: "Leaf-" + the search text (trimmed) + "@@@###" + the record.
QString searchResultKey(QStringView searchText, QStringView record);
bool isTapeKey(QStringView key);
// The record line of a tape key (the key itself when it is not one).
QString recordOf(QStringView key);
QString placeholderKey(QStringView folderKey);

bool isQueueEntryKey(QStringView key);
bool isFavouriteKey(QStringView key);
bool isSearchResultKey(QStringView key);

// The category the tape's record belongs to: the first field without "Leaf-", and for a search
// result the part after the last "@@@###".
QString categoryOf(QStringView tapeKey);

// The title a tape is shown and remembered by. The name path's parts are joined by " - "; for the
// Quran (a category holding "كريم") the second part loses its first four characters (surah number
// and space). A queue entry made from a search result keeps only reciter and surah. For a search
// result the category is the record's own, not the text searched for.
QString DisplayTitle(QStringView tapeKey);
QString queueEntryTitle(QStringView tapeKey);

// The record a queue entry carries: "قائمة الانتظار", the entry title, "NONE", the tape's links.
QString queueRecord(QStringView tapeKey);
// The record a favourite is saved as: "أشرطتي المفضلة", the tape's category "/" its entry title,
// "NONE", the tape's links.
QString FavouriteRecord(QStringView tapeKey);

} // namespace TapeKeys
