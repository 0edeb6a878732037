#pragma once

#include "knownlist.h"

#include <QString>
#include <QStringView>

#include <functional>

// The tree path of a record under the grouping orders the user chose, and the lists of known
// values collected while paths are built. The last component of a path is the name the tape shows
// in the tree; every earlier component is a folder, the first being the record's category.
class TreePaths
{
public:
    // Quran grouping (menu "ترتيب السور القرآنية"):
    //   0 riwaya/reciter/surah, 1 riwaya/surah/reciter, 2 reciter/surah, 3 surah/reciter.
    int QuranSort = 0;
    // Lessons and sermons: 0 by scholar, 1 by subject (section).
    int DourousSort = 0;

    KnownList CategoryList;
    KnownList ReciterList;
    KnownList OwnerList;
    KnownList SectionList;
    KnownList RiwayaList;

    // Told of every riwaya met for the first time, with its entry number in RiwayaList, so that
    // the riwaya menu can grow an item with the same number.
    std::function<void(qsizetype n, const QString &riwaya)> onNewRiwaya;

    // The tree path of the record line recordLine; records new values in the lists on the way.
    QString BuildPath(QStringView recordLine);

    // Empties the five lists (each back to its single empty entry 0).
    void resetLists();

    static bool isQuranRecord(QStringView category);
    static bool isLessonRecord(QStringView category);
    // Whether a section or group field names one: not empty and not "none" in any letter case.
    static bool hasSection(QStringView field);

private:
    enum class Kind
    {
        Quran,
        Lesson,
        Other
    };

    QString quranPath(QStringView category, QStringView names, QStringView riwaya) const;
    QString lessonPath(QStringView category, QStringView names, QStringView section) const;

    // The category of the last record and what kind of record it made.
    QString m_kindOf;
    Kind m_kind = Kind::Other;
};
