#include "favourites.h"

#include "catalogue.h"
#include "codepage.h"
#include "tapekeys.h"

#include <QFileInfo>

Favourites::Favourites(Catalogue &catalogue, QString file)
    : m_catalogue(catalogue)
    , m_file(std::move(file))
{}

QString Favourites::branchKey()
{
    return TapeKeys::favouritesCategory() + u'/';
}

bool Favourites::add(const QString &tapeKey)
{
    if (!TapeKeys::isTapeKey(tapeKey))
        return true; // only tapes become favourites; nothing to do
    const QString record = TapeKeys::FavouriteRecord(tapeKey);

    // The file first: a favourite that could not be saved must not look saved.
    if (!AppendToFile(m_file, record, 0))
        return false;
    int number = m_catalogue.IndexOfFile(m_file);
    if (number < 0) // created just now: give it its number, so editing reaches it this run
        number = m_catalogue.registerFile(QFileInfo(m_file).fileName());
    m_catalogue.Add2Tree(record, number);
    return true;
}
