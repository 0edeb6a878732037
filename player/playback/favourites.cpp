#include "favourites.h"

#include "catalogue.h"
#include "cataloguetree.h"
#include "codepage.h"
#include "playqueue.h"
#include "taperecord.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

Favourites::Favourites(CatalogueTree &tree, QString file)
    : m_tree(tree)
    , m_file(std::move(file))
{}

const QString &Favourites::Category()
{
    static const QString category = u"أشرطتي المفضلة"_s;
    return category;
}

QString Favourites::FavouriteRecord(const QString &tapeKey)
{
    const QString first = RecordField(tapeKey, 0).toString();
    // "Leaf-" + category; a search result's first field ends in "@@@###" + category.
    const QString category =
        first.contains(u"@@@###"_s) ? first.split(u"@@@###"_s).last() : first.mid(5);
    return Category() + u'!' + category + u'/' + PlayQueue::entryTitle(tapeKey) + u"!NONE!"_s +
           LinkFields(tapeKey);
}

bool Favourites::mnuAdd2Fav_Click(KeyedTree::Node node)
{
    if (CatalogueTree::NodeKind(node) != 2)
        return true; // only tapes become favourites; nothing to do
    const QString record = FavouriteRecord(KeyedTree::key(node));

    // The file first: a favourite that could not be saved must not look saved.
    if (!AppendToFile(m_file, record, 0))
        return false;
    Catalogue &catalogue = m_tree.catalogue();
    int number = catalogue.IndexOfFile(m_file);
    if (number < 0) // created just now: give it its number, so editing reaches it this run
        number = catalogue.registerFile(QFileInfo(m_file).fileName());
    catalogue.Add2Tree(record, number);

    KeyedTree &tree = m_tree.tree();
    const QString key = Category() + u'/';
    KeyedTree::Node branch = tree.item(key);
    if (!branch) {
        branch = tree.add(nullptr, key, Category(), u"Closed"_s);
    } else {
        tree.setExpanded(branch, false);
        m_tree.RemoveChildNodes(key);
    }
    if (!tree.contains(key + u"-tmp"_s))
        tree.add(branch, key + u"-tmp"_s, QString(), u"Closed"_s);
    return true;
}
