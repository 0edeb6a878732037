#pragma once

#include <QString>

class Catalogue;

// The favourites: ordinary catalogue records of category "أشرطتي المفضلة" in "favorites.txt" of
// the DB folder, newest first, loaded with the rest of the catalogue and shown in their own branch.
class Favourites
{
public:
    Favourites(Catalogue &catalogue, QString file);

    // The key of the favourites' branch.
    static QString branchKey();

    // Adds the tape of a tape key to the file and to the catalogue index. False when the file
    // could not be written: then nothing else changed.
    bool add(const QString &tapeKey);

    const QString &file() const { return m_file; }

private:
    Catalogue &m_catalogue;
    QString m_file;
};
