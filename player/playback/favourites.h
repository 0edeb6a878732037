#pragma once

#include "keyedtree.h"

#include <QString>

class CatalogueTree;

// The favourites: ordinary catalogue records of category "أشرطتي المفضلة" in "favorites.txt" of
// the DB folder, newest first, loaded with the rest of the catalogue and shown in their own branch.
class Favourites
{
public:
    Favourites(CatalogueTree &tree, QString file);

    static const QString &Category();

    // The favourite record of a tape key: category "أشرطتي المفضلة", the tape's category and
    // title as its name path, "NONE", and the tape's links.
    static QString FavouriteRecord(const QString &tapeKey);

    // Adds a tape to the file, the index and the tree. False when the file could not be written
    // (then nothing else changed).
    bool mnuAdd2Fav_Click(KeyedTree::Node node);

    const QString &file() const { return m_file; }

private:
    CatalogueTree &m_tree;
    QString m_file;
};
