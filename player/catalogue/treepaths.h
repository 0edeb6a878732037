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
    using RiwayaListener = std::function<void(qsizetype n, const QString &riwaya)>;
    void setRiwayaListener(RiwayaListener listener) { m_onNewRiwaya = std::move(listener); }

    // The tree path of the record line recordLine; records new values in the lists on the way.
    QString BuildPath(QStringView recordLine);

    // The lists of known values, as a record names the one a value goes to.
    enum class ListId : quint8
    {
        Category,
        Reciter,
        Owner,
        Section,
        Riwaya
    };
    // A value of a record for one of the lists, viewing into the record line.
    struct KnownValue
    {
        ListId list;
        QStringView value;
    };
    // What a record line gives: its path, and its values for the lists in the order BuildPath
    // records them. Worked out without touching the lists, so loaders on several threads can
    // each shape their own lines (each with its own KindCache) and record the values afterwards,
    // in order, with addKnownValue.
    struct KindCache
    {
        QString category;
        int kind = -1;
    };
    struct Shape
    {
        QString path;
        // The parts the path was joined from, views of the record line or of joined below.
        QStringView parts[4];
        int partCount = 0;
        QString joined; // a part made of several names (a series under its section)
        KnownValue values[3];
        int valueCount = 0;
        QStringView category;
        QStringView third;
    };
    // Works out a record's path and values into shape, whose path buffer is reused.
    void shapeOf(QStringView recordLine, KindCache &cache, Shape &shape) const;
    // Records value in its list unless known; a new riwaya is told to the riwaya listener.
    void addKnownValue(ListId list, QStringView value);
    KnownList &list(ListId id);

    // Empties the five lists (each back to its single empty entry 0).
    void resetLists();

    // Whether a section or group field names one: not empty and not "none" in any letter case.
    static bool hasSection(QStringView field);

private:
    enum class Kind
    {
        Quran,
        Lesson,
        Other
    };

    void quranPath(Shape &shape, QStringView category, QStringView names, QStringView riwaya) const;
    void lessonPath(Shape &shape, QStringView category, QStringView names,
                    QStringView section) const;

    // The category of the last record BuildPath saw and what kind of record it made.
    KindCache m_kindCache;
    RiwayaListener m_onNewRiwaya;
};
